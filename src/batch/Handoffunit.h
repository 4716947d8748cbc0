// Handoffunit: the worker threads' way to the main thread in a kelvane-batch run.
//
// Workers hand over the summary rows of their finished groups; the main thread writes them in
// the order of the files. (Each worker draws its files' pictures itself: see TPictureMakers.)
#pragma once

#include "astro/Rotationunit.h"
#include "numeric/Lvgridunit.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// A file's row on its way to the summary.
struct TRowMessage {
    long Index = 0;
    bool Ok = false;
    std::string Line;  // the CSV row without its line end
    std::string Error; // the file's error text, for the console
    // With --rotation-curve: the file's row of rotation-curve.csv and its point, if it has one.
    std::string CurveLine;
    bool HasPoint = false;
    TTangentPoint Point;
    // With --gaussians: the file's rows of components.csv, each with its line end.
    std::string ComponentLines;
    // With --lv-diagram: the file's column, if it has one.
    std::optional<TLvColumn> Column;
};

class THandoff {
public:
    // Worker side. Starting before a worker starts, Ended when it ends, with failure: why it
    // stopped before the files ran out ("" when they did).
    void Starting();
    void Ended(const std::string& failure);
    // Hands over rows (left empty).
    void Deliver(std::vector<TRowMessage>& rows);

    // Main side: waits up to a tenth of a second for rows and gives them to take. Returned:
    // false once every worker has ended and all it handed over is taken.
    bool Serve(const std::function<void(TRowMessage&)>& take);
    // The first failure given to Ended, or "".
    std::string Failure();

    // For a run whose one worker is the main thread: from now on Deliver gives the rows to
    // take at once on the calling thread. take must outlive the handoff's use.
    void ServeHere(const std::function<void(TRowMessage&)>& take);

private:
    std::mutex Lock;
    std::condition_variable MainWake;
    std::vector<TRowMessage> Rows;
    int Running = 0;
    std::string FirstFailure;
    const std::function<void(TRowMessage&)>* TakeHere = nullptr;
};
