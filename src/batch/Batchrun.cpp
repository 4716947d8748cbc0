#include "batch/Batchrun.h"

#include "batch/Outputunit.h"
#include "batch/Rotationcurveunit.h"
#include "settings/Globalunit.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <poll.h>
#include <sched.h>
#include <stdexcept>
#include <string_view>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_set>

namespace {

using TClock = std::chrono::steady_clock;

// A group of outputs is flushed and put in place after this many files or this long, which
// bounds both the memory a worker holds and the delay of the progress shown.
constexpr std::size_t GroupFiles = 512;
constexpr double GroupSeconds = 0.5;

volatile std::sig_atomic_t Interrupted = 0;

void OnInterrupt(int) {
    Interrupted = 1;
}

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

double SecondsSince(TClock::time_point start) {
    return std::chrono::duration<double>(TClock::now() - start).count();
}

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
};

// What every worker needs; a forked worker has its own copy.
struct TPlan {
    const TBatchOptions& Options;
    TBatchSettings Settings;
    const TPictureMaker& Pictures;
    const TStationSettings& Station;
    std::string Folder;                    // the output folder, without a trailing '/'
    std::map<long, std::string> PreErrors; // files that fail before they are read, and why
    // The names in the output folder when the run began: one listing instead of a look-up per
    // output (a name that appears later is still never replaced without --force).
    std::unordered_set<std::string> Existing;
};

// Takes the rows of a group; false when they cannot be delivered (the run is ending).
using TRowSink = std::function<bool(std::vector<TRowMessage>&)>;

struct TPendingRow {
    long Index = 0;
    TSummaryRow Row;
};

// The message of a file's summary row, with its rotation-curve entry when the run makes one.
TRowMessage MessageOf(const TPlan& plan, long index, const TSummaryRow& row) {
    TRowMessage message;
    message.Index = index;
    message.Ok = row.Error.empty();
    message.Line = SummaryLine(row, plan.Settings.Terms);
    message.Error = row.Error;
    const TBatchOptions& o = plan.Options;
    if (o.RotationCurve) {
        const TRotationEntry entry = RotationEntry(row, o.R0, o.V0);
        message.CurveLine = RotationCurveLine(row, entry, o.R0, o.V0);
        message.HasPoint = entry.R && entry.V;
        if (message.HasPoint)
            message.Point = {*entry.R, *entry.V};
    }
    return message;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// One file: processed, its outputs added to the group. Returns its summary row.
TPendingRow ProcessFile(const TPlan& plan, long index, TOutputGroup& outputs) {
    const std::string& path = plan.Options.Files[static_cast<std::size_t>(index)];
    TPendingRow pending;
    pending.Index = index;
    if (const auto error = plan.PreErrors.find(index); error != plan.PreErrors.end()) {
        pending.Row.File = path;
        pending.Row.Error = error->second;
        return pending;
    }
    TSpectrumResult result = ProcessSpectrum(path, plan.Settings, plan.Station);
    pending.Row = std::move(result.Row);
    if (!result.Ok)
        return pending;

    std::vector<TExtraOutput> files;
    files.reserve(3);
    files.push_back({".txt", std::move(result.SavedText)});
    if (plan.Options.Png)
        files.push_back({".png", std::string()});
    if (plan.Options.Svg)
        files.push_back({".svg", std::string()});
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
        if (plan.Options.Png || plan.Options.Svg) {
            std::vector<TExtraOutput> pictures = plan.Pictures(result);
            files.resize(1);
            for (TExtraOutput& picture : pictures)
                files.push_back(std::move(picture));
        }
        for (const TExtraOutput& file : files)
            outputs.Add(OutputPath(plan.Folder, path, file.Suffix), file.Bytes, index);
    } catch (const std::exception& error) {
        outputs.Discard(index);
        pending.Row.Error = error.what();
    }
    return pending;
}

// The work of one process: files taken from next until none is left or the run is
// interrupted. Rows are delivered a group at a time, after the group's outputs are in place.
void Work(const TPlan& plan, std::atomic<long>& next, const TRowSink& sink) {
    const long count = static_cast<long>(plan.Options.Files.size());
    TOutputGroup outputs(plan.Options.Force);
    std::vector<TPendingRow> rows;
    TClock::time_point groupStart = TClock::now();

    auto deliver = [&]() {
        for (const TOutputFailure& failure : outputs.Commit())
            for (TPendingRow& row : rows)
                if (row.Index == failure.Owner && row.Row.Error.empty())
                    row.Row.Error = failure.Message;
        std::vector<TRowMessage> messages;
        messages.reserve(rows.size());
        for (const TPendingRow& row : rows)
            messages.push_back(MessageOf(plan, row.Index, row.Row));
        rows.clear();
        groupStart = TClock::now();
        return sink(messages);
    };

    for (;;) {
        if (Interrupted) {
            outputs.DiscardAll();
            return;
        }
        const long index = next.fetch_add(1);
        if (index >= count)
            break;
        rows.push_back(ProcessFile(plan, index, outputs));
        if ((rows.size() >= GroupFiles || outputs.Pending() >= GroupFiles ||
             SecondsSince(groupStart) >= GroupSeconds) &&
            !deliver()) {
            outputs.DiscardAll();
            return;
        }
    }
    if (!Interrupted)
        deliver();
    outputs.DiscardAll();
}

// The progress bar on a terminal.
class TProgress {
public:
    TProgress(const TRunConsole& console, long total)
        : Console(console), Total(total), Start(TClock::now()) {}

    void Show(long done, long failed, bool now = false) {
        if (!Console.Terminal || Console.Quiet)
            return;
        const double elapsed = SecondsSince(Start);
        if (!now && elapsed - LastShown < 0.1)
            return;
        LastShown = elapsed;
        const int width = 30;
        const int filled = Total > 0 ? static_cast<int>(width * done / Total) : width;
        std::string bar(static_cast<std::size_t>(filled), '#');
        bar.resize(static_cast<std::size_t>(width), '-');
        std::fprintf(Console.Stream, "\r\033[K[%s] %ld/%ld files, %ld failed, %.0f files/s",
                     bar.c_str(), done, Total, failed, elapsed > 0 ? done / elapsed : 0.0);
        std::fflush(Console.Stream);
        Drawn = true;
    }

    // A line of its own above the bar.
    void Message(const std::string& text) {
        Erase();
        std::fprintf(Console.Stream, "%s\n", ConsoleText(text).c_str());
        if (Console.Terminal)
            std::fflush(Console.Stream);
    }

    void Erase() {
        if (Drawn)
            std::fprintf(Console.Stream, "\r\033[K");
        Drawn = false;
        LastShown = -1.0;
    }

    double Elapsed() const { return SecondsSince(Start); }

private:
    const TRunConsole& Console;
    long Total;
    TClock::time_point Start;
    double LastShown = -1.0;
    bool Drawn = false;
};

// The main process's end: rows in file order into the summary (and the rotation curve's table,
// with its points kept for the picture), errors to the console.
class TCollector {
public:
    TCollector(const TPlan& plan, TStreamedOutput& summary, TStreamedOutput& curve,
               TProgress& progress)
        : Plan(plan), Summary(summary), Curve(curve), Progress(progress) {}

    void Accept(TRowMessage& message) {
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

    void Tick() { Progress.Show(Received - Failed, Failed); }
    const TBatchOptions& Options() const { return Plan.Options; }

    // Rows that never came (a worker that stopped) fail with reason.
    void Finish(const std::string& reason) {
        const long count = static_cast<long>(Plan.Options.Files.size());
        while (NextIndex < count) {
            TSummaryRow row;
            row.File = Plan.Options.Files[static_cast<std::size_t>(NextIndex)];
            row.Error = reason;
            TRowMessage message = MessageOf(Plan, NextIndex, row);
            Accept(message);
        }
    }

    long Received = 0, Failed = 0;
    bool SummaryFailed = false, CurveFailed = false;
    std::vector<TTangentPoint> Points; // of the rotation curve, in the order of the files

private:
    void Write(const TRowMessage& message) {
        if (!SummaryFailed && !Summary.Append(message.Line + "\r\n"))
            SummaryFailed = true;
        if (Plan.Options.RotationCurve) {
            if (!CurveFailed && !Curve.Append(message.CurveLine + "\r\n"))
                CurveFailed = true;
            if (message.HasPoint)
                Points.push_back(message.Point);
        }
        if (!message.Ok)
            Progress.Message(
                "kelvane-batch: " + Plan.Options.Files[static_cast<std::size_t>(message.Index)] +
                ": " + message.Error);
    }

    const TPlan& Plan;
    TStreamedOutput& Summary;
    TStreamedOutput& Curve;
    TProgress& Progress;
    std::map<long, TRowMessage> Waiting;
    long NextIndex = 0;
};

// Frames on a worker's pipe: index (8 bytes), ok (1), line length (4), line, error length (4),
// error, curve line length (4), curve line, has point (1), R (8), V (8).
void Frame(std::string& buffer, const TRowMessage& m) {
    auto put = [&buffer](const void* data, std::size_t size) {
        buffer.append(static_cast<const char*>(data), size);
    };
    auto putText = [&](const std::string& text) {
        const std::uint32_t size = static_cast<std::uint32_t>(text.size());
        put(&size, sizeof size);
        buffer += text;
    };
    const std::int64_t index = m.Index;
    const char ok = m.Ok ? 1 : 0;
    const char hasPoint = m.HasPoint ? 1 : 0;
    put(&index, sizeof index);
    put(&ok, 1);
    putText(m.Line);
    putText(m.Error);
    putText(m.CurveLine);
    put(&hasPoint, 1);
    put(&m.Point.R, sizeof m.Point.R);
    put(&m.Point.V, sizeof m.Point.V);
}

// Takes the complete frames from the front of buffer.
void Unframe(std::string& buffer, const std::function<void(TRowMessage&)>& take) {
    std::size_t at = 0;
    for (;;) {
        TRowMessage m;
        std::size_t p = at;
        // Each read checks that the frame holds the bytes it takes.
        auto get = [&](void* data, std::size_t size) {
            if (buffer.size() < p + size)
                return false;
            std::memcpy(data, buffer.data() + p, size);
            p += size;
            return true;
        };
        auto getText = [&](std::string& text) {
            std::uint32_t size = 0;
            if (!get(&size, sizeof size) || buffer.size() < p + size)
                return false;
            text.assign(buffer, p, size);
            p += size;
            return true;
        };
        std::int64_t index = 0;
        char ok = 0, hasPoint = 0;
        if (!get(&index, sizeof index) || !get(&ok, 1) || !getText(m.Line) || !getText(m.Error) ||
            !getText(m.CurveLine) || !get(&hasPoint, 1) || !get(&m.Point.R, sizeof m.Point.R) ||
            !get(&m.Point.V, sizeof m.Point.V))
            break;
        m.Index = index;
        m.Ok = ok != 0;
        m.HasPoint = hasPoint != 0;
        at = p;
        take(m);
    }
    buffer.erase(0, at);
}

bool WriteAllTo(int descriptor, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t count = ::write(descriptor, data.data() + done, data.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

// Removes the temporary files a worker that was stopped left in folder (".NAME.<pid>-<n>.tmp").
void RemoveTemporaries(const std::string& folder, pid_t pid) {
    const std::string mark = "." + std::to_string(pid) + "-";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 4 && name[0] == '.' && name.find(mark) != std::string::npos &&
            name.compare(name.size() - 4, 4, ".tmp") == 0)
            std::filesystem::remove(entry.path(), error);
    }
}

// Runs the workers as forked processes. Returned: the reason for rows that never came, or "".
std::string RunWorkers(const TPlan& plan, int jobs, TCollector& collector) {
    void* shared = ::mmap(nullptr, sizeof(std::atomic<long>), PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED)
        return std::string("cannot share work between processes: ") + std::strerror(errno);
    auto* next = new (shared) std::atomic<long>(0);

    struct TWorker {
        pid_t Pid = -1;
        int Pipe = -1;
        std::string Buffer;
    };
    std::vector<TWorker> workers;
    std::string reason;
    std::fflush(nullptr); // nothing buffered is written twice
    for (int k = 0; k < jobs; ++k) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            reason = std::string("cannot start a worker: ") + std::strerror(errno);
            break;
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ends[0]);
            for (const TWorker& w : workers)
                ::close(w.Pipe);
            // A worker ends with the run: when the main process goes, it is told to stop.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            std::signal(SIGPIPE, SIG_IGN);
            int status = 0;
            try {
                std::string frames;
                Work(plan, *next, [&](std::vector<TRowMessage>& messages) {
                    frames.clear();
                    for (const TRowMessage& m : messages)
                        Frame(frames, m);
                    return WriteAllTo(ends[1], frames);
                });
            } catch (...) {
                status = 3;
            }
            ::_exit(status);
        }
        ::close(ends[1]);
        if (pid < 0) {
            ::close(ends[0]);
            reason = std::string("cannot start a worker: ") + std::strerror(errno);
            break;
        }
        workers.push_back({pid, ends[0], std::string()});
    }

    std::vector<pollfd> polled;
    bool stopping = false;
    for (;;) {
        // An interrupt of the main process alone (kill -INT) still stops the workers.
        if (Interrupted && !stopping) {
            stopping = true;
            for (const TWorker& w : workers)
                ::kill(w.Pid, SIGTERM);
        }
        polled.clear();
        for (const TWorker& w : workers)
            if (w.Pipe >= 0)
                polled.push_back({w.Pipe, POLLIN, 0});
        if (polled.empty())
            break;
        if (::poll(polled.data(), polled.size(), 100) < 0 && errno != EINTR)
            break;
        for (const pollfd& p : polled) {
            if (p.revents == 0)
                continue;
            TWorker& w = *std::find_if(workers.begin(), workers.end(),
                                       [&p](const TWorker& x) { return x.Pipe == p.fd; });
            char chunk[65536];
            const ssize_t count = ::read(w.Pipe, chunk, sizeof chunk);
            if (count > 0) {
                w.Buffer.append(chunk, static_cast<std::size_t>(count));
                Unframe(w.Buffer, [&](TRowMessage& m) { collector.Accept(m); });
            } else if (count == 0 || errno != EINTR) {
                ::close(w.Pipe);
                w.Pipe = -1;
            }
        }
        collector.Tick(); // the rate and the time move on while the workers are busy
    }
    for (const TWorker& w : workers) {
        int status = 0;
        while (::waitpid(w.Pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            RemoveTemporaries(plan.Folder, w.Pid);
        if (WIFSIGNALED(status) && reason.empty())
            reason = std::string("not processed: a worker process stopped (") +
                     strsignal(WTERMSIG(status)) + ")";
        else if (WIFEXITED(status) && WEXITSTATUS(status) != 0 && reason.empty())
            reason = "not processed: a worker process failed";
    }
    ::munmap(shared, sizeof(std::atomic<long>));
    return reason.empty() ? "not processed" : reason;
}

// The output name of a path, as a part of it (see OutputStem).
std::string_view StemOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    const std::size_t end = dot == std::string::npos || dot <= start ? path.size() : dot;
    return std::string_view(path).substr(start, end - start);
}

// Why files fail before they are read: two files that would write the same outputs (the later
// one fails). Found by sorting the file numbers by output name, so that the check holds no
// copy of the names, only a number per file while it runs.
std::map<long, std::string> PreErrors(const TBatchOptions& options) {
    const std::vector<std::string>& files = options.Files;
    std::map<long, std::string> errors = options.FileErrors;
    // Entries that write nothing (a subfolder, a FIFO) take no name from a file.
    std::vector<std::uint32_t> order;
    order.reserve(files.size() - errors.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        if (errors.count(static_cast<long>(i)) == 0)
            order.push_back(static_cast<std::uint32_t>(i));
    std::stable_sort(order.begin(), order.end(), [&files](std::uint32_t a, std::uint32_t b) {
        return StemOf(files[a]) < StemOf(files[b]);
    });
    std::size_t first = 0; // the earliest given file of the current name (the sort is stable)
    for (std::size_t k = 1; k < order.size(); ++k) {
        if (StemOf(files[order[k]]) != StemOf(files[order[first]])) {
            first = k;
            continue;
        }
        errors[order[k]] = "its outputs " + std::string(StemOf(files[order[k]])) +
                           ".* would replace those of " + files[order[first]] + ", given before it";
    }
    // A file named after the rotation curve would put its own picture in the curve's place.
    if (options.RotationCurve && options.Png)
        for (std::size_t i = 0; i < files.size(); ++i)
            if (std::string(StemOf(files[i])) + ".png" == RotationCurvePngName &&
                errors.count(static_cast<long>(i)) == 0)
                errors[static_cast<long>(i)] = std::string("its picture would replace ") +
                                               RotationCurvePngName + " of --rotation-curve";
    return errors;
}

// The rotation curve's table, committed, and its picture, drawn and written under the same
// rules. Returned: false, with the reason shown, when either could not be written.
bool WriteRotationCurve(const TCollector& collector, TStreamedOutput& table,
                        const std::string& picturePath, const TCurvePictureMaker& curvePicture,
                        TProgress& progress) {
    const TBatchOptions& o = collector.Options();
    bool written = true;
    if (collector.CurveFailed || !table.Commit()) {
        progress.Message("kelvane-batch: " + table.Error());
        written = false;
    }
    std::string png;
    try {
        png = curvePicture(collector.Points, o.R0, o.V0);
    } catch (const std::exception& error) {
        progress.Message("kelvane-batch: cannot draw the rotation curve: " +
                         std::string(error.what()));
        return false;
    }
    TStreamedOutput picture;
    if (!picture.Open(picturePath, o.Force) || !picture.Append(png) || !picture.Commit()) {
        progress.Message("kelvane-batch: " + picture.Error());
        written = false;
    }
    return written;
}

std::string WithoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
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

int RunBatch(const TBatchOptions& options, const TPictureMaker& pictures,
             const TCurvePictureMaker& curvePicture, const TRunConsole& console) {
    TPlan plan{
        options,
        {options.Windows, options.Terms, options.Mode, options.Position, options.PositionTexts},
        pictures,
        TStationSettings::Read(),
        WithoutTrailingSlashes(options.OutFolder),
        PreErrors(options),
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
    for (const auto& entry : std::filesystem::directory_iterator(plan.Folder, error))
        plan.Existing.insert(entry.path().filename().string());
    const std::string summaryPath = OutputPath(plan.Folder, "summary.csv", ".csv");
    const std::string curvePath = OutputPath(plan.Folder, RotationCurveCsvName, ".csv");
    const std::string curvePicturePath = OutputPath(plan.Folder, RotationCurvePngName, ".png");
    std::vector<std::string> runOutputs = {summaryPath};
    if (options.RotationCurve)
        runOutputs.insert(runOutputs.end(), {curvePath, curvePicturePath});
    for (const std::string& path : runOutputs) {
        struct stat existing {};
        if (!options.Force && ::stat(path.c_str(), &existing) == 0) {
            say(path + " already exists (--force replaces it and the other outputs)");
            return 1;
        }
    }
    TStreamedOutput summary, curve;
    if (!summary.Open(summaryPath, options.Force) ||
        !summary.Append(SummaryHeader(options.Terms) + "\r\n")) {
        say(summary.Error());
        return 1;
    }
    if (options.RotationCurve &&
        (!curve.Open(curvePath, options.Force) || !curve.Append(RotationCurveHeader() + "\r\n"))) {
        say(curve.Error());
        return 1;
    }

    Interrupted = 0;
    CatchInterrupts();
    const long count = static_cast<long>(options.Files.size());
    TProgress progress(console, count);
    TCollector collector(plan, summary, curve, progress);
    progress.Show(0, 0, true);
    const int jobs = static_cast<int>(
        std::min<long>(options.Jobs > 0 ? options.Jobs : ProcessorCount(), std::max(count, 1L)));
    std::string missing = "not processed";
    if (jobs <= 1) {
        std::atomic<long> next(0);
        Work(plan, next, [&](std::vector<TRowMessage>& messages) {
            for (TRowMessage& m : messages)
                collector.Accept(m);
            return true;
        });
    } else {
        missing = RunWorkers(plan, jobs, collector);
    }

    if (Interrupted) {
        summary.Discard();
        curve.Discard();
        progress.Erase();
        say("interrupted; " + std::to_string(collector.Received) +
            " files were finished, the summary is not written");
        return 130;
    }
    collector.Finish(missing);
    bool summaryWritten = !collector.SummaryFailed && summary.Commit();
    if (!summaryWritten)
        progress.Message("kelvane-batch: " + summary.Error());
    const bool curveWritten =
        !options.RotationCurve ||
        WriteRotationCurve(collector, curve, curvePicturePath, curvePicture, progress);
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
    return summaryWritten && curveWritten && flushed && collector.Failed == 0 ? 0 : 1;
}

namespace {

// The length of the well-formed UTF-8 character at text[at] (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0.
std::size_t Utf8Length(const std::string& text, std::size_t at) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xbf; // of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    }
    if (length == 0 || at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(at + k) < 0x80 || byte(at + k) > 0xbf)
            return 0;
    return length;
}

} // namespace

std::string ConsoleText(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    char code[8];
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const std::size_t length = c < 0x80 ? 1 : Utf8Length(text, at);
        if ((c >= 0x20 && c < 0x7f) ||
            (length > 1 && !(c == 0xc2 && static_cast<unsigned char>(text[at + 1]) < 0xa0))) {
            shown.append(text, at, length);
            at += length;
        } else if (length == 2) { // a C1 control
            std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned char>(text[at + 1]));
            shown += code;
            at += 2;
        } else {
            std::snprintf(code, sizeof code, "\\x%02x", c);
            shown += code;
            ++at;
        }
    }
    return shown;
}
