// Handoffunit: the worker threads' way to the main thread in a kelvane-batch run.
//
// Workers hand over the summary rows of their finished groups, and the files whose pictures
// are to be drawn. Pictures are drawn on the main thread alone: the picture maker uses the
// toolkit's widgets, fonts and paint devices, which belong to the thread of the application
// object.
#pragma once

#include "astro/Rotationunit.h"
#include "batch/Batchrun.h"

#include <condition_variable>
#include <exception>
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
    // The pictures of a file, drawn by the thread that calls Serve; throws what the picture
    // maker threw.
    std::vector<TExtraOutput> Pictures(const TSpectrumResult& result);

    // Main side: waits up to a tenth of a second for rows or pictures, draws the pictures asked
    // for and gives the rows to take. Returned: false once every worker has ended and all it
    // handed over is taken.
    bool Serve(const std::function<void(TRowMessage&)>& take, const TPictureMaker& pictures);
    // The first failure given to Ended, or "".
    std::string Failure();

    // For a run whose one worker is the main thread: from now on Deliver gives the rows to
    // take, and Pictures draws with pictures, at once on the calling thread. Both must outlive
    // the handoff's use.
    void ServeHere(const std::function<void(TRowMessage&)>& take, const TPictureMaker& pictures);

private:
    struct TRequest {
        const TSpectrumResult* Result;
        std::vector<TExtraOutput> Pictures;
        std::exception_ptr Error;
        bool Done = false;
    };
    std::mutex Lock;
    std::condition_variable MainWake, WorkerWake;
    std::vector<TRowMessage> Rows;
    std::vector<TRequest*> Requests;
    int Running = 0;
    std::string FirstFailure;
    const std::function<void(TRowMessage&)>* TakeHere = nullptr;
    const TPictureMaker* PicturesHere = nullptr;
};
