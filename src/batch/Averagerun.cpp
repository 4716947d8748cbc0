#include "batch/Averagerun.h"

#include "astro/Detailsstate.h"
#include "batch/Batchunit.h"
#include "batch/Outputunit.h"
#include "data/Saveunit.h"
#include "session/Averageunit.h"
#include "settings/Globalunit.h"
#include "settings/Siteunit.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>

int RunAverage(const TBatchOptions& options, const TRunConsole& console) {
    auto say = [&console](const std::string& text) {
        std::fprintf(console.Stream, "kelvane-batch: %s\n", ConsoleText(text).c_str());
    };
    // A folder's entry that is no regular file fails the average, as a file that cannot be
    // read does.
    if (!options.FileErrors.empty()) {
        const auto& [number, reason] = *options.FileErrors.begin();
        say(options.Files[static_cast<std::size_t>(number)] + ": " + reason);
        return 1;
    }
    const TStationSettings station = options.Site
                                         ? WithSiteOption(TStationSettings::Read(), *options.Site)
                                         : TStationSettings::Read();
    // A position typed on the command line stands for the details last applied in the window.
    std::optional<TDetailsState> typed;
    if (options.Position != TPositionSource::FileName) {
        TBatchSettings settings;
        settings.Position = options.Position;
        settings.PositionTexts = options.PositionTexts;
        typed = TDetailsState::Create(station);
        TypePosition(*typed, settings);
    }
    TSession session;
    std::string text;
    try {
        UseAverage(session, AverageFiles(options.Files, station, typed));
        const TSaveHeader header = GatherSaveHeader(
            session, *session.AppliedDetails, GraphTitleFor(ModeVelocityMinusVlsr, false), false);
        text = SavedText(header, session.XValues, session.Signal);
    } catch (const std::exception& error) {
        say(error.what());
        return 1;
    }
    RemoveStaleTemporaries(FolderOf(options.AveragePath)); // those of killed runs
    TOutputGroup output(options.Force);
    try {
        output.Add(options.AveragePath, text, 0);
    } catch (const std::exception& error) {
        say(error.what());
        return 1;
    }
    const std::vector<TOutputFailure> failures = output.Commit();
    for (const TOutputFailure& failure : failures)
        say(failure.Message);
    if (!failures.empty())
        return 1;
    // The file's name reaches the disk too before the run says it is done.
    if (!FlushFileSystem(FolderOf(options.AveragePath))) {
        say("cannot flush \"" + options.AveragePath + "\" to the disk: " + std::strerror(errno));
        return 1;
    }
    if (!console.Quiet && !session.XValues.empty()) {
        char span[96];
        std::snprintf(span, sizeof span, " on %zu channels (%.1f to %.1f km/s) into ",
                      session.XValues.size(), session.XValues.back(), session.XValues.front());
        say("averaged " + std::to_string(session.AveragedFiles.size()) + " files" + span +
            options.AveragePath);
    }
    return 0;
}
