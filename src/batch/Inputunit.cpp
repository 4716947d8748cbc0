#include "batch/Inputunit.h"

#include "batch/Batchrun.h"
#include "batch/Lvdiagramunit.h"
#include "data/Folderunit.h"
#include "data/Readunit.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <functional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The entries of folder whose names match pattern, each added with its problem (empty for a
// regular file).
template <typename TAdd>
void AddFolder(const std::string& folder, const std::string& pattern, TAdd add) {
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        add(folder, "cannot list the folder: " + std::string(std::strerror(errno)));
        return;
    }
    std::vector<std::pair<std::string, unsigned char>> entries;
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (entry == nullptr) {
            error = errno;
            break;
        }
        // Hidden names are left out, "." and ".." with them, and so are the run's own
        // temporary files. The window lists a folder's files in any case (.DAT too).
        if (entry->d_name[0] != '.' && ::fnmatch(pattern.c_str(), entry->d_name, FNM_CASEFOLD) == 0)
            entries.emplace_back(entry->d_name, entry->d_type);
    }
    // In the order the window browses a folder in.
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return NaturalLess(a.first, b.first); });
    const std::string prefix = folder.back() == '/' ? folder : folder + "/";
    for (const auto& [name, type] : entries) {
        std::string problem;
        // The type the listing gives spares a look-up per file; a link is followed.
        if (type != DT_REG) {
            struct stat status {};
            if (::fstatat(::dirfd(listing), name.c_str(), &status, 0) != 0)
                problem = std::strerror(errno);
            else if (!S_ISREG(status.st_mode))
                problem = NotRegularFile(status.st_mode);
        }
        add(prefix + name, problem);
    }
    ::closedir(listing);
    if (error != 0)
        add(folder, "cannot list the whole folder: " + std::string(std::strerror(error)));
}

// The bounds of a list of files: ten times a survey's 100,000 files, six times their 10 MB of
// 100-byte paths; far below what would exhaust the memory (a list read from /dev/zero or
// /dev/urandom ends here, in a fraction of a second).
constexpr std::size_t MaxListBytes = std::size_t(64) << 20; // 64 MiB
constexpr std::size_t MaxListPaths = 1'000'000;

// Reads the paths of a list from a descriptor: one a line (a CR before the LF dropped, as a
// list written on Windows has it), or each ended by NUL (separator '\0', as find -print0
// writes them); empty entries skipped. Returned: "" or why the list was refused.
std::string ReadList(int descriptor, char separator, const std::string& name,
                     const std::function<void(std::string)>& add) {
    char chunk[65536];
    std::string path;
    std::size_t total = 0, paths = 0, line = 1;
    bool ended = false;
    auto finish = [&]() -> std::string {
        if (separator == '\n' && !path.empty() && path.back() == '\r')
            path.pop_back();
        // A path ends at its first NUL for the system, which would open one file under another
        // file's name: a list of NUL-ended paths read as lines is refused.
        if (path.find('\0') != std::string::npos)
            return "line " + std::to_string(line) + " of the list of files " + name +
                   " holds a NUL byte (a list of paths each ended by NUL, as find -print0 "
                   "writes it, needs -0)";
        if (!path.empty()) {
            if (++paths > MaxListPaths)
                return "the list of files " + name + " holds more than " +
                       std::to_string(MaxListPaths) + " paths";
            add(std::move(path));
        }
        path.clear();
        ++line;
        return std::string();
    };
    while (!ended) {
        const ssize_t count = ::read(descriptor, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return "cannot read the list of files " + name + ": " + std::strerror(errno);
        ended = count == 0;
        total += static_cast<std::size_t>(count);
        if (total > MaxListBytes)
            return "the list of files " + name + " is longer than " +
                   std::to_string(MaxListBytes >> 20) + " MiB";
        for (const char* at = chunk; at < chunk + count;) {
            const char* end = static_cast<const char*>(
                std::memchr(at, separator, static_cast<std::size_t>(chunk + count - at)));
            const std::size_t size = static_cast<std::size_t>((end ? end : chunk + count) - at);
            path.append(at, size);
            // Refused at once, not at the line's end, which may never come.
            if (separator != '\0' && std::memchr(at, '\0', size) != nullptr)
                return finish();
            if (!end)
                break;
            if (std::string error = finish(); !error.empty())
                return error;
            at = end + 1;
        }
    }
    return finish();
}

// The output name of a path, as a part of it (see OutputStem).
std::string_view StemOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    const std::size_t end = dot == std::string::npos || dot <= start ? path.size() : dot;
    return std::string_view(path).substr(start, end - start);
}

} // namespace

std::string InputProblem(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::strerror(errno);
    if (!S_ISREG(status.st_mode))
        return NotRegularFile(status.st_mode);
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return std::strerror(errno);
    ::close(descriptor);
    return std::string();
}

std::string GatherInputFiles(TBatchOptions& options, int standardInput) {
    std::vector<std::string> given = std::move(options.Files);
    options.Files.clear();
    options.FileErrors.clear();
    auto add = [&options](std::string path, const std::string& problem) {
        if (!problem.empty())
            options.FileErrors[static_cast<long>(options.Files.size())] = problem;
        options.Files.push_back(std::move(path));
    };
    for (std::string& path : given) {
        struct stat status {};
        if (!path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
            AddFolder(path, options.Pattern, add);
        else
            add(std::move(path), std::string());
    }
    given = std::vector<std::string>();

    if (!options.FilesFrom.empty()) {
        const bool piped = options.FilesFrom == "-";
        const int descriptor =
            piped ? standardInput : ::open(options.FilesFrom.c_str(), O_RDONLY | O_CLOEXEC);
        const std::string name = piped ? "standard input" : "\"" + options.FilesFrom + "\"";
        if (descriptor < 0)
            return "cannot read the list of files " + name + ": " + std::strerror(errno);
        const std::string error =
            ReadList(descriptor, options.NullSeparated ? '\0' : '\n', name,
                     [&add](std::string path) { add(std::move(path), std::string()); });
        if (!piped)
            ::close(descriptor);
        if (!error.empty())
            return error;
    }
    if (options.Files.empty())
        return "no spectrum files given (the folders and the list given hold none; a "
               "folder's files are those whose names match '" +
               options.Pattern + "', see --pattern)";
    return std::string();
}

// Found by sorting the file numbers by output name, so that the check holds no copy of the
// names, only a number per file while it runs.
std::map<long, std::string> InputErrors(const TBatchOptions& options) {
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
    // A file named after the rotation curve or the diagram would put its own pictures in
    // their place.
    const struct {
        bool Drawn;
        const char* Picture;
        const char* Option;
    } runPictures[] = {
        {options.RotationCurve && options.Png, RotationCurvePngName, "--rotation-curve"},
        {options.LvDiagram && options.Png, LvDiagramPngName, "--lv-diagram"},
        {options.LvDiagram && options.Svg, LvDiagramSvgName, "--lv-diagram"}};
    for (const auto& run : runPictures)
        for (std::size_t i = 0; run.Drawn && i < files.size(); ++i)
            if (errors.count(static_cast<long>(i)) == 0 &&
                std::string(StemOf(files[i])) + std::strrchr(run.Picture, '.') == run.Picture)
                errors[static_cast<long>(i)] =
                    std::string("its picture would replace ") + run.Picture + " of " + run.Option;
    return errors;
}
