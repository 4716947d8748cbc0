#include "batch/Inputunit.h"

#include "batch/Batchrun.h"
#include "batch/Lvdiagramunit.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The entries of folder, each added with its problem (empty for a regular file).
template <typename TAdd> void AddFolder(const std::string& folder, TAdd add) {
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
        // Hidden names are left out, "." and ".." with them.
        if (entry->d_name[0] != '.')
            entries.emplace_back(entry->d_name, entry->d_type);
    }
    std::sort(entries.begin(), entries.end());
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

// Reads all of a descriptor. Returned: 0 or an errno value.
int ReadAll(int descriptor, std::string& text) {
    char chunk[65536];
    for (;;) {
        const ssize_t count = ::read(descriptor, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        if (count == 0)
            return 0;
        text.append(chunk, static_cast<std::size_t>(count));
    }
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

std::string NotRegularFile(mode_t mode) {
    const char* kind = S_ISDIR(mode)    ? "a folder"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISSOCK(mode) ? "a socket"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                                        : "of an unknown type";
    return std::string("not a regular file (") + kind + ")";
}

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
            AddFolder(path, add);
        else
            add(std::move(path), std::string());
    }
    given = std::vector<std::string>();

    if (!options.FilesFrom.empty()) {
        const bool piped = options.FilesFrom == "-";
        const int descriptor =
            piped ? standardInput : ::open(options.FilesFrom.c_str(), O_RDONLY | O_CLOEXEC);
        std::string text;
        const int error = descriptor < 0 ? errno : ReadAll(descriptor, text);
        if (descriptor >= 0 && !piped)
            ::close(descriptor);
        const std::string name = piped ? "standard input" : "\"" + options.FilesFrom + "\"";
        if (error != 0)
            return "cannot read the list of files " + name + ": " + std::strerror(error);
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            if (end > start)
                add(text.substr(start, end - start), std::string());
            start = end + 1;
        }
    }
    if (options.Files.empty())
        return "no spectrum files given (the folders and the list given hold none)";
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
