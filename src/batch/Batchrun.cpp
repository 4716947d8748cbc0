#include "batch/Batchrun.h"

#include "batch/Collectorunit.h"
#include "batch/Handoffunit.h"
#include "batch/Inputunit.h"
#include "batch/Lvdiagramunit.h"
#include "batch/Outputunit.h"
#include "batch/Rotationcurveunit.h"
#include "fits/Fitswriteunit.h"
#include "settings/Globalunit.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <locale.h>
#include <map>
#include <sched.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <unordered_set>

namespace {

using TClock = std::chrono::steady_clock;

// A group of outputs is flushed and put in place after this many files or this long, which
// bounds both the memory a worker holds and the delay of the progress shown.
constexpr std::size_t GroupFiles = 512;
constexpr double GroupSeconds = 0.5;

// Set by the signal handler, read by every thread; lock-free, so the handler may store to it.
std::atomic<bool> Interrupted(false);
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) {
    Interrupted = true;
}

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // SIGHUP (the terminal or the ssh session closed) stops the run as SIGTERM does: by
    // default it would end the run on the spot and leave its temporary files. A signal ignored
    // at start stays ignored: nohup ignores SIGHUP, a shell's background job SIGINT.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

// The "C" locale for the calling thread while this lives. A worker writes its numbers with '.'
// and the system's reasons in one language whatever the program's locale is or becomes: the
// toolkit that draws the pictures sets that locale from the environment when it starts.
class TThreadCLocale {
public:
    TThreadCLocale() : Locale(::newlocale(LC_ALL_MASK, "C", nullptr)) {
        if (Locale)
            ::uselocale(Locale);
    }
    ~TThreadCLocale() {
        if (!Locale)
            return;
        ::uselocale(LC_GLOBAL_LOCALE);
        ::freelocale(Locale);
    }
    TThreadCLocale(const TThreadCLocale&) = delete;
    TThreadCLocale& operator=(const TThreadCLocale&) = delete;

private:
    locale_t Locale;
};

double SecondsSince(TClock::time_point start) {
    return std::chrono::duration<double>(TClock::now() - start).count();
}

// What every worker needs; read-only while the workers run.
struct TPlan {
    const TBatchOptions& Options;
    TBatchSettings Settings;
    const TPictureMakers& Pictures;
    const TStationSettings& Station;
    std::string Folder;                      // the output folder, without a trailing '/'
    std::map<long, std::string> InputErrors; // files that fail before they are read, and why
    // The names in the output folder when the run began: one listing instead of a look-up per
    // output (a name that appears later is still never replaced without --force).
    std::unordered_set<std::string> Existing;
    // --fits, and CFITSIO is there: without it the run says so once and writes the other
    // outputs, rather than failing every file on the same reason.
    bool Fits = false;
};

struct TPendingRow {
    long Index = 0;
    TSummaryRow Row;
    std::optional<TLvColumn> Column; // with --lv-diagram
};

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// One file: processed, its pictures drawn with pictures (made first if need be), its outputs
// added to the group. Returns its summary row.
TPendingRow ProcessFile(const TPlan& plan, long index, TOutputGroup& outputs,
                        TPictureMaker& pictures) {
    const std::string& path = plan.Options.Files[static_cast<std::size_t>(index)];
    TPendingRow pending;
    pending.Index = index;
    if (const auto error = plan.InputErrors.find(index); error != plan.InputErrors.end()) {
        pending.Row.File = path;
        pending.Row.Error = error->second;
        return pending;
    }
    // Every file has a session of its own: the workers run ProcessSpectrum side by side.
    TSpectrumResult result = ProcessSpectrum(path, plan.Settings, plan.Station);
    pending.Row = std::move(result.Row);
    if (!result.Ok)
        return pending;
    if (plan.Options.LvDiagram)
        pending.Column = LvColumnOf(pending.Row, std::move(result.Velocities), result.Signal);

    std::vector<TExtraOutput> files;
    files.reserve(4);
    files.push_back({".txt", std::move(result.SavedText)});
    if (plan.Options.Png)
        files.push_back({".png", std::string()});
    if (plan.Options.Svg)
        files.push_back({".svg", std::string()});
    if (plan.Fits)
        files.push_back({".fits", std::string()});
    // Nothing is written when any output of the file is in the way.
    for (const TExtraOutput& file : files) {
        if (plan.Existing.count(OutputStem(path) + file.Suffix) == 0)
            continue;
        const std::string target = OutputPath(plan.Folder, path, file.Suffix);
        struct stat existing {};
        if (::stat(target.c_str(), &existing) != 0)
            continue;
        struct stat input {};
        if (::stat(path.c_str(), &input) == 0 && SameFile(existing, input)) {
            pending.Row.Error = target + " is the input file itself; give another --out folder";
            return pending;
        }
        if (!plan.Options.Force) {
            pending.Row.Error = target + " already exists (--force replaces it)";
            return pending;
        }
    }
    try {
        files.resize(1); // the others' names were for the check above
        if (plan.Options.Png || plan.Options.Svg) {
            if (!pictures)
                pictures = plan.Pictures();
            for (TExtraOutput& picture : pictures(result))
                files.push_back(std::move(picture));
        }
        if (plan.Fits)
            files.push_back({".fits", FitsFileBytes(FitsSpectrumImage(result.Fits))});
        for (const TExtraOutput& file : files)
            outputs.Add(OutputPath(plan.Folder, path, file.Suffix), file.Bytes, index);
    } catch (const std::exception& error) {
        outputs.Discard(index);
        pending.Row.Error = error.what();
    }
    return pending;
}

// The work of one thread: files taken from next until none is left or the run is interrupted,
// their pictures drawn on this thread with a maker of its own. Rows are delivered a group at a
// time, after the group's outputs are in place; the outputs of a group left unfinished are
// removed with the group.
void Work(const TPlan& plan, std::atomic<long>& next, THandoff& handoff) {
    const long count = static_cast<long>(plan.Options.Files.size());
    TPictureMaker pictures;
    TOutputGroup outputs(plan.Options.Force);
    std::vector<TPendingRow> rows;
    TClock::time_point groupStart = TClock::now();

    auto deliver = [&]() {
        for (const TOutputFailure& failure : outputs.Commit())
            for (TPendingRow& row : rows)
                if (row.Index == failure.Owner && row.Row.Error.empty())
                    row.Row.Error = failure.Error;
        std::vector<TRowMessage> messages;
        messages.reserve(rows.size());
        for (TPendingRow& row : rows)
            messages.push_back(RowMessage(plan.Options, row.Index, row.Row, std::move(row.Column)));
        rows.clear();
        groupStart = TClock::now();
        handoff.Deliver(messages);
    };

    for (;;) {
        if (Interrupted)
            return;
        const long index = next.fetch_add(1);
        if (index >= count)
            break;
        rows.push_back(ProcessFile(plan, index, outputs, pictures));
        if (rows.size() >= GroupFiles || outputs.Pending() >= GroupFiles ||
            SecondsSince(groupStart) >= GroupSeconds)
            deliver();
    }
    if (!Interrupted)
        deliver();
}

// The work of the one worker on the calling (main) thread, the rows served there at once.
// Returned: the reason for rows that never came, or "".
std::string WorkHere(const TPlan& plan, std::atomic<long>& next, THandoff& handoff,
                     TCollector& collector) {
    const std::function<void(TRowMessage&)> take = [&collector](TRowMessage& m) {
        collector.Accept(m);
        collector.Tick();
    };
    handoff.ServeHere(take);
    const TThreadCLocale locale;
    try {
        Work(plan, next, handoff);
    } catch (const std::exception& error) {
        return std::string("not processed: a worker failed: ") + error.what();
    } catch (...) {
        return "not processed: a worker failed";
    }
    return std::string();
}

// Runs the files on jobs worker threads, the main thread taking their rows. Returned: the
// reason for rows that never came, or "".
std::string RunWorkers(const TPlan& plan, int jobs, TCollector& collector) {
    THandoff handoff;
    std::atomic<long> next(0);
    std::vector<std::thread> workers;
    for (int k = 0; k < jobs; ++k) {
        handoff.Starting();
        try {
            workers.emplace_back([&plan, &next, &handoff] {
                const TThreadCLocale locale;
                std::string failure;
                try {
                    Work(plan, next, handoff);
                } catch (const std::exception& error) {
                    failure = std::string("not processed: a worker failed: ") + error.what();
                } catch (...) {
                    failure = "not processed: a worker failed";
                }
                handoff.Ended(failure);
            });
        } catch (const std::system_error& error) {
            // With no worker at all (a limit on threads or memory), the main thread does the
            // work itself; with some, they share the files between them.
            handoff.Ended(k == 0 ? std::string()
                                 : std::string("cannot start a worker: ") + error.what());
            if (k == 0)
                return WorkHere(plan, next, handoff, collector);
            break;
        }
    }
    while (handoff.Serve([&collector](TRowMessage& m) { collector.Accept(m); }))
        collector.Tick(); // the rate and the time move on while the workers are busy
    for (std::thread& worker : workers)
        worker.join();
    return handoff.Failure();
}

std::string WithoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// The first input file that would take the place of an output of the run (its own output, as
// "lv-diagram.dat" gives lv-diagram.png with --png, or the input itself, as out/lv-diagram.svg
// would be replaced while it is read), told as the reason to refuse the run; "" when none does.
std::string CollisionWithRunOutputs(const TBatchOptions& options, const std::string& folder,
                                    const std::vector<std::string>& runOutputs) {
    std::vector<std::string> suffixes = {".txt"};
    if (options.Png)
        suffixes.push_back(".png");
    if (options.Svg)
        suffixes.push_back(".svg");
    if (options.Fits)
        suffixes.push_back(".fits");
    const std::unordered_set<std::string> outputs(runOutputs.begin(), runOutputs.end());
    std::vector<struct stat> existing;
    for (const std::string& path : runOutputs) {
        struct stat output {};
        if (::stat(path.c_str(), &output) == 0)
            existing.push_back(output);
    }
    for (std::size_t i = 0; i < options.Files.size(); ++i) {
        const std::string& file = options.Files[i];
        if (options.FileErrors.count(static_cast<long>(i)) != 0)
            continue; // a subfolder, a FIFO: never read, writes nothing
        for (const std::string& suffix : suffixes)
            if (const std::string output = OutputPath(folder, file, suffix); outputs.count(output))
                return "the input file " + file + " would write " + output +
                       ", an output of the run; rename it or give another --out folder";
        struct stat input {};
        if (existing.empty() || ::stat(file.c_str(), &input) != 0)
            continue;
        for (const struct stat& output : existing)
            if (SameFile(input, output))
                return "the input file " + file +
                       " is an output of the run; move it or give another --out folder";
    }
    return {};
}

} // namespace

int ProcessorCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<int>(online) : 1;
}

std::string OutputPath(const std::string& folder, const std::string& file,
                       const std::string& suffix) {
    const std::string base = WithoutTrailingSlashes(folder);
    return (base == "/" ? base : base + "/") + OutputStem(file) + suffix;
}

int RunBatch(const TBatchOptions& options, const TPictureMakers& pictures,
             const TCurvePictureMaker& curvePicture, const TLvPictureMaker& lvPictures,
             const TRunConsole& console) {
    TPlan plan{options,
               {options.Windows, options.Terms, options.Mode, options.Position,
                options.PositionTexts, options.Dispersion, options.AutoTerms, options.Smoothing,
                options.Gaussians},
               pictures,
               options.Site ? WithSiteOption(TStationSettings::Read(), *options.Site)
                            : TStationSettings::Read(),
               WithoutTrailingSlashes(options.OutFolder),
               InputErrors(options),
               {}};
    auto say = [&console](const std::string& text) {
        std::fprintf(console.Stream, "kelvane-batch: %s\n", ConsoleText(text).c_str());
    };
    // Without this a console that went away (`2>&1 | head`) would end the run at its next
    // message, before the summary, leaving its temporary file behind.
    std::signal(SIGPIPE, SIG_IGN);

    std::error_code error;
    std::filesystem::create_directories(plan.Folder, error);
    if (error) {
        say("cannot create the folder \"" + plan.Folder + "\": " + error.message());
        return 1;
    }
    RemoveStaleTemporaries(plan.Folder);
    for (const auto& entry : std::filesystem::directory_iterator(plan.Folder, error))
        plan.Existing.insert(entry.path().filename().string());
    const std::string summaryPath = OutputPath(plan.Folder, "summary.csv", ".csv");
    const std::string curvePath = OutputPath(plan.Folder, RotationCurveCsvName, ".csv");
    const std::string curvePicturePath = OutputPath(plan.Folder, RotationCurvePngName, ".png");
    const std::string componentsPath = OutputPath(plan.Folder, "components.csv", ".csv");
    std::vector<std::string> runOutputs = {summaryPath};
    if (options.Gaussians != 0)
        runOutputs.push_back(componentsPath);
    if (options.RotationCurve)
        runOutputs.insert(runOutputs.end(), {curvePath, curvePicturePath});
    if (options.LvDiagram)
        runOutputs.insert(runOutputs.end(), {OutputPath(plan.Folder, LvDiagramPngName, ".png"),
                                             OutputPath(plan.Folder, LvDiagramSvgName, ".svg")});
    if (options.LvDiagram && options.Fits)
        runOutputs.push_back(OutputPath(plan.Folder, LvDiagramFitsName, ".fits"));
    if (const std::string collision = CollisionWithRunOutputs(options, plan.Folder, runOutputs);
        !collision.empty()) {
        say(collision);
        return 1;
    }
    for (const std::string& path : runOutputs) {
        struct stat existing {};
        if (!options.Force && ::stat(path.c_str(), &existing) == 0) {
            say(path + " already exists (--force replaces it and the other outputs)");
            return 1;
        }
    }
    std::string fitsMissing;
    if (options.Fits) {
        fitsMissing = FitsLibraryError();
        plan.Fits = fitsMissing.empty();
        if (!plan.Fits)
            say(fitsMissing + "; no FITS file is written");
    }
    TStreamedOutput summary, curve, components;
    if (!summary.Open(summaryPath, options.Force) ||
        !summary.Append(SummaryHeader(options.Terms, options.Gaussians != 0) + "\r\n")) {
        say(summary.Error());
        return 1;
    }
    if (options.Gaussians != 0 && (!components.Open(componentsPath, options.Force) ||
                                   !components.Append(ComponentsHeader() + "\r\n"))) {
        say(components.Error());
        return 1;
    }
    if (options.RotationCurve &&
        (!curve.Open(curvePath, options.Force) || !curve.Append(RotationCurveHeader() + "\r\n"))) {
        say(curve.Error());
        return 1;
    }

    Interrupted = false;
    CatchInterrupts();
    const long count = static_cast<long>(options.Files.size());
    TProgress progress(console, count);
    TCollector collector(options, summary, curve, progress);
    if (options.Gaussians != 0)
        collector.WriteComponentsTo(components);
    progress.Show(0, 0, true);
    const int jobs = static_cast<int>(
        std::min<long>(options.Jobs > 0 ? options.Jobs : ProcessorCount(), std::max(count, 1L)));
    const std::string failure = RunWorkers(plan, jobs, collector);

    if (Interrupted) {
        summary.Discard();
        curve.Discard();
        components.Discard();
        progress.Erase();
        say("interrupted; " + std::to_string(collector.Received) +
            " files were finished, the summary is not written");
        return 130;
    }
    collector.Finish(failure.empty() ? "not processed" : failure);
    bool summaryWritten = !collector.SummaryFailed && summary.Commit();
    if (!summaryWritten)
        progress.Message("kelvane-batch: " + summary.Error());
    const bool componentsWritten =
        options.Gaussians == 0 || (!collector.ComponentsFailed && components.Commit());
    if (!componentsWritten)
        progress.Message("kelvane-batch: " + components.Error());
    const bool curveWritten = !options.RotationCurve ||
                              WriteRotationCurve(collector.Points, collector.CurveFailed, curve,
                                                 curvePicturePath, options, curvePicture, progress);
    std::string lvMessage;
    const bool lvWritten =
        !options.LvDiagram || WriteLvDiagram(collector.Diagram, options.V0, plan.Folder,
                                             options.Force, plan.Fits, lvPictures, lvMessage);
    if (!lvMessage.empty())
        progress.Message("kelvane-batch: " + lvMessage);
    // The names of the outputs reach the disk too before the run says it is done.
    const bool flushed = FlushFileSystem(plan.Folder);
    if (!flushed) {
        const std::string reason = std::strerror(errno);
        progress.Message("kelvane-batch: cannot flush the outputs in \"" + plan.Folder +
                         "\" to the disk: " + reason);
    }

    progress.Show(collector.Received - collector.Failed, collector.Failed, true);
    progress.Erase();
    if (!console.Quiet) {
        const double seconds = progress.Elapsed();
        std::fprintf(console.Stream,
                     "kelvane-batch: %ld %s: %ld done, %ld failed, %.0f files/s (%.2f s)\n", count,
                     count == 1 ? "file" : "files", collector.Received - collector.Failed,
                     collector.Failed, seconds > 0 ? count / seconds : 0.0, seconds);
    }
    return summaryWritten && componentsWritten && curveWritten && lvWritten && flushed &&
                   fitsMissing.empty() && collector.Failed == 0
               ? 0
               : 1;
}
