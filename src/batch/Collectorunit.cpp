#include "batch/Collectorunit.h"

#include "batch/Rotationcurveunit.h"

TRowMessage RowMessage(const TBatchOptions& options, long index, const TSummaryRow& row,
                       std::optional<TLvColumn> column) {
    TRowMessage message;
    message.Index = index;
    message.Ok = row.Error.empty();
    message.Line = SummaryLine(row, options.Terms, options.Gaussians != 0);
    for (const std::string& line : ComponentLines(row))
        message.ComponentLines += line + "\r\n";
    message.Error = row.Error;
    const TBatchOptions& o = options;
    if (o.RotationCurve) {
        const TRotationEntry entry = RotationEntry(row, o.R0, o.V0);
        message.CurveLine = RotationCurveLine(row, entry, o.R0, o.V0);
        message.HasPoint = entry.R && entry.V;
        if (message.HasPoint)
            message.Point = {*entry.R, *entry.V, entry.VUncertainty.value_or(0.0)};
    }
    if (row.Error.empty())
        message.Column = std::move(column);
    return message;
}

void TCollector::Accept(TRowMessage& message) {
    ++Received;
    if (!message.Ok)
        ++Failed;
    if (message.Index == NextIndex) {
        Write(message);
        ++NextIndex;
        for (auto waiting = Waiting.begin();
             waiting != Waiting.end() && waiting->first == NextIndex;
             waiting = Waiting.erase(waiting), ++NextIndex)
            Write(waiting->second);
    } else {
        Waiting.emplace(message.Index, std::move(message));
    }
    Progress.Show(Received - Failed, Failed);
}

void TCollector::Finish(const std::string& reason) {
    const long count = static_cast<long>(FOptions.Files.size());
    while (NextIndex < count) {
        TSummaryRow row;
        row.File = FOptions.Files[static_cast<std::size_t>(NextIndex)];
        row.Error = reason;
        TRowMessage message = RowMessage(FOptions, NextIndex, row);
        Accept(message);
    }
}

void TCollector::Write(TRowMessage& message) {
    if (!SummaryFailed && !Summary.Append(message.Line + "\r\n"))
        SummaryFailed = true;
    if (FOptions.RotationCurve) {
        if (!CurveFailed && !Curve.Append(message.CurveLine + "\r\n"))
            CurveFailed = true;
        if (message.HasPoint)
            Points.push_back(message.Point);
    }
    if (Components && !ComponentsFailed && !message.ComponentLines.empty() &&
        !Components->Append(message.ComponentLines))
        ComponentsFailed = true;
    if (message.Column)
        Diagram.Add(std::move(*message.Column));
    if (!message.Ok)
        Progress.Message(
            "kelvane-batch: " + FOptions.Files[static_cast<std::size_t>(message.Index)] + ": " +
            message.Error);
}
