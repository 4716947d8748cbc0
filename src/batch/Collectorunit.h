// Collectorunit: the main thread's end of a kelvane-batch run. The workers hand over each
// file's row (see Handoffunit) in the order they finish; the collector writes them in the order
// of the files given into the summary and the rotation curve's table, keeps the curve's points
// and the diagram's columns in that order, and tells the progress and the files' errors.
#pragma once

#include "batch/Batchoptions.h"
#include "batch/Batchunit.h"
#include "batch/Consoleunit.h"
#include "batch/Handoffunit.h"
#include "batch/Outputunit.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// The message of file index's summary row, with its rotation-curve entry and its column of the
// diagram when the run makes them (--rotation-curve, --lv-diagram). A file that failed late
// (its outputs could not be put in place) is not drawn.
TRowMessage RowMessage(const TBatchOptions& options, long index, const TSummaryRow& row,
                       std::optional<TLvColumn> column = std::nullopt);

// Rows in file order into the summary (and the rotation curve's table, with its points kept
// for the picture), errors to the console.
class TCollector {
public:
    TCollector(const TBatchOptions& options, TStreamedOutput& summary, TStreamedOutput& curve,
               TProgress& progress)
        : FOptions(options), Summary(summary), Curve(curve), Progress(progress) {}

    // A row handed over; written with the rows after it that waited for it.
    void Accept(TRowMessage& message);
    // The progress shown afresh: the rate and the time move on while the workers are busy.
    void Tick() { Progress.Show(Received - Failed, Failed); }
    const TBatchOptions& Options() const { return FOptions; }

    // With --gaussians: the files' rows of components.csv go to components, in file order.
    void WriteComponentsTo(TStreamedOutput& components) { Components = &components; }

    // Rows that never came (a worker that stopped) fail with reason.
    void Finish(const std::string& reason);

    long Received = 0, Failed = 0;
    bool SummaryFailed = false, CurveFailed = false, ComponentsFailed = false;
    std::vector<TTangentPoint> Points; // of the rotation curve, in the order of the files
    TLvGrid Diagram;                   // the diagram's columns, added in the order of the files

private:
    void Write(TRowMessage& message);

    const TBatchOptions& FOptions;
    TStreamedOutput& Summary;
    TStreamedOutput& Curve;
    TStreamedOutput* Components = nullptr;
    TProgress& Progress;
    std::map<long, TRowMessage> Waiting;
    long NextIndex = 0;
};
