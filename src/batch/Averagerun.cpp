#include "batch/Averagerun.h"

#include "batch/Batchunit.h"
#include "batch/Outputunit.h"
#include "data/Saveunit.h"
#include "session/Averageunit.h"
#include "session/Detailsstate.h"
#include "settings/Globalunit.h"
#include "settings/Siteunit.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>

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
    // An output that is there but no regular file is refused as Save as refuses it: --force
    // would rename a new file over a FIFO or a device node.
    const auto cannotSave = [&](const std::string& reason) {
        say("Cannot save \"" + options.AveragePath + "\": " + reason);
        return 1;
    };
    if (const std::string refused = NotRegularTarget(options.AveragePath); !refused.empty())
        return cannotSave(refused);
    TSession session;
    std::string text;
    try {
        const TAverage average = AverageFiles(options.Files, station, typed);
        // Nor may the output be one of the files averaged (by another name too): --force would
        // replace it.
        struct stat output {};
        if (::stat(options.AveragePath.c_str(), &output) == 0)
            for (const TAveragedScan& scan : average.Files)
                if (static_cast<std::uint64_t>(output.st_dev) == scan.Device &&
                    static_cast<std::uint64_t>(output.st_ino) == scan.Inode)
                    return cannotSave("it is one of the files averaged (" + scan.Path + ")");
        session.UseAverage(average);
        const TSaveHeader header = session.SaveHeader(*session.AppliedDetails(),
                                                      GraphTitleFor(ModeVelocityMinusVlsr, false));
        text = SavedText(header, session.XValues(), session.Signal());
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
        say(failure.Error);
    if (!failures.empty())
        return 1;
    // The file's name reaches the disk too before the run says it is done.
    if (!FlushFileSystem(FolderOf(options.AveragePath))) {
        say("cannot flush \"" + options.AveragePath + "\" to the disk: " + std::strerror(errno));
        return 1;
    }
    if (!console.Quiet && !session.XValues().empty()) {
        char span[96];
        std::snprintf(span, sizeof span, " on %zu channels (%.1f to %.1f km/s) into ",
                      session.XValues().size(), session.XValues().back(),
                      session.XValues().front());
        say("averaged " + std::to_string(session.AveragedFiles().size()) + " files" + span +
            options.AveragePath);
    }
    return 0;
}
