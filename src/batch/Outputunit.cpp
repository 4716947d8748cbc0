#include "batch/Outputunit.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::string Failure(const std::string& path, const std::string& reason) {
    return "Cannot save \"" + path + "\": " + reason;
}

std::string Reason(int error) {
    return error == EEXIST ? std::string("the file already exists") : std::strerror(error);
}

// Writes all of data, retrying short writes and interruptions. Returned: 0 or an errno value.
int WriteAll(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t count = ::write(descriptor, data, size);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (count == 0)
            return ENOSPC; // a write that makes no progress: the device is full
        data += count;
        size -= static_cast<std::size_t>(count);
    }
    return 0;
}

// Puts temporary in place as path. Returned: 0 or an errno value (EEXIST: path exists and may
// not be replaced).
int PutInPlace(const std::string& temporary, const std::string& path, bool replace) {
    if (replace)
        return ::rename(temporary.c_str(), path.c_str()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the no-replace rename: a hard link fails as well when the name is
    // taken.
    if (::link(temporary.c_str(), path.c_str()) != 0)
        return errno;
    ::unlink(temporary.c_str());
    return 0;
}

} // namespace

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string TemporaryPrefix() {
    // The host and the pid namespace the run's pids belong to: a folder shared by other
    // machines or containers holds temporaries whose pids mean nothing here.
    static const std::string prefix = [] {
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        struct stat names {};
        ::stat("/proc/self/ns/pid", &names);
        const std::string identity = std::string(host) + "/" + std::to_string(names.st_ino);
        std::uint32_t hash = 2166136261u; // FNV-1a
        for (const char c : identity)
            hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        char text[24];
        std::snprintf(text, sizeof text, ".kelvane-%08x-", static_cast<unsigned>(hash));
        return std::string(text);
    }();
    return prefix;
}

int CreateTemporaryBeside(const std::string& path, std::string& temporary) {
    // The name's number comes from the calling thread and the clock, not from a shared counter,
    // so that threads writing at once need no lock; O_EXCL settles the rare clash, and another
    // attempt takes another number.
    const std::size_t thread = std::hash<std::thread::id>()(std::this_thread::get_id());
    const auto now =
        static_cast<std::size_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::size_t slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Not derived from the output's name: it would not fit where a name near the system's
        // 255 bytes does. The pid lets a later run remove what a killed one left.
        char name[64];
        std::snprintf(name, sizeof name, "%s%ld-%zx.tmp", TemporaryPrefix().c_str(),
                      static_cast<long>(::getpid()),
                      (thread ^ now) + static_cast<std::size_t>(attempt));
        temporary = folder + name;
        const int descriptor =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
    return -1;
}

namespace {

// The pid of a temporary file's name made by a process of this host and pid namespace, or 0.
pid_t TemporaryOwner(const char* name) {
    const std::string prefix = TemporaryPrefix();
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0)
        return 0;
    const char* at = name + prefix.size();
    char* end = nullptr;
    errno = 0;
    const long pid = std::strtol(at, &end, 10);
    if (errno != 0 || end == at || *at < '1' || *at > '9' || *end != '-' || pid > 1 << 30)
        return 0;
    at = end + 1;
    const std::size_t digits = std::strspn(at, "0123456789abcdef");
    return digits > 0 && std::strcmp(at + digits, ".tmp") == 0 ? static_cast<pid_t>(pid) : 0;
}

// When the process pid started, in seconds of the real-time clock; nothing when that cannot
// be read.
std::optional<double> ProcessStart(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return std::nullopt;
    // The command's name, in parentheses, may hold spaces and parentheses itself: the fields
    // are counted after the last ')'. The start time is the 22nd field, in clock ticks since
    // the boot (proc(5)).
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    for (int k = 3; k <= 22; ++k)
        if (!(fields >> field))
            return std::nullopt;
    std::ifstream system("/proc/stat");
    double boot = -1.0; // "btime": the boot, in whole seconds of the real-time clock
    for (std::string word; system >> word;)
        if (word == "btime" && system >> boot)
            break;
    const long ticks = ::sysconf(_SC_CLK_TCK);
    if (boot < 0.0 || ticks <= 0)
        return std::nullopt;
    return boot + std::strtod(field.c_str(), nullptr) / static_cast<double>(ticks);
}

} // namespace

int RemoveStaleTemporaries(const std::string& folder) {
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t pid = TemporaryOwner(entry->d_name);
        if (pid == 0 || pid == ::getpid())
            continue;
        struct stat status {};
        if (::fstatat(::dirfd(listing), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode))
            continue;
        // A pid is reused: a live process of that pid made the file only if it had started
        // before the file was last written (a second's margin: the boot time is given in
        // whole seconds). A process that cannot be looked at keeps its files.
        bool stale = ::kill(pid, 0) != 0 && errno == ESRCH;
        if (!stale) {
            const std::optional<double> start = ProcessStart(pid);
            const double written =
                static_cast<double>(status.st_mtim.tv_sec) + status.st_mtim.tv_nsec * 1e-9;
            stale = start && written + 1.0 < *start;
        }
        if (stale && ::unlinkat(::dirfd(listing), entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(listing);
    return removed;
}

bool FlushFileSystem(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool flushed = ::syncfs(descriptor) == 0;
    const int error = errno;
    ::close(descriptor);
    errno = error;
    return flushed;
}

TOutputGroup::~TOutputGroup() {
    DiscardAll();
}

void TOutputGroup::Add(const std::string& path, const std::string& data, long owner) {
    std::string temporary;
    const int descriptor = CreateTemporaryBeside(path, temporary);
    if (descriptor < 0)
        throw std::runtime_error(Failure(path, Reason(errno)));
    int error = WriteAll(descriptor, data.data(), data.size());
    if (::close(descriptor) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        throw std::runtime_error(Failure(path, Reason(error)));
    }
    Files.push_back({path, temporary, owner});
}

void TOutputGroup::Discard(long owner) {
    const auto removed = std::remove_if(Files.begin(), Files.end(), [owner](const TPendingFile& f) {
        if (f.Owner != owner)
            return false;
        ::unlink(f.Temporary.c_str());
        return true;
    });
    Files.erase(removed, Files.end());
}

void TOutputGroup::DiscardAll() {
    for (const TPendingFile& f : Files)
        ::unlink(f.Temporary.c_str());
    Files.clear();
}

std::vector<TOutputFailure> TOutputGroup::Commit() {
    std::vector<TOutputFailure> failures;
    if (Files.empty())
        return failures;
    // The data first, all files at once; then the names.
    if (!FlushFileSystem(FolderOf(Files.front().Temporary))) {
        const int error = errno;
        for (const TPendingFile& f : Files)
            failures.push_back({f.Owner, Failure(f.Path, Reason(error))});
        DiscardAll();
        return failures;
    }
    for (const TPendingFile& f : Files) {
        const int error = PutInPlace(f.Temporary, f.Path, Replace);
        if (error != 0) {
            ::unlink(f.Temporary.c_str());
            failures.push_back({f.Owner, Failure(f.Path, Reason(error))});
        }
    }
    Files.clear();
    return failures;
}

TStreamedOutput::~TStreamedOutput() {
    Discard();
}

bool TStreamedOutput::Open(const std::string& path, bool replace) {
    Discard();
    Path = path;
    Replace = replace;
    Descriptor = CreateTemporaryBeside(path, Temporary);
    if (Descriptor < 0) {
        Message = Failure(path, Reason(errno));
        return false;
    }
    return true;
}

bool TStreamedOutput::WriteBuffer() {
    const int error = WriteAll(Descriptor, Buffer.data(), Buffer.size());
    Buffer.clear();
    if (error != 0) {
        Message = Failure(Path, Reason(error));
        return false;
    }
    return true;
}

bool TStreamedOutput::Append(const std::string& text) {
    if (Descriptor < 0)
        return false;
    Buffer += text;
    return Buffer.size() < 65536 || WriteBuffer();
}

bool TStreamedOutput::Commit() {
    if (Descriptor < 0)
        return false;
    bool ok = WriteBuffer();
    if (ok && ::fdatasync(Descriptor) != 0) {
        Message = Failure(Path, Reason(errno));
        ok = false;
    }
    if (::close(Descriptor) != 0 && ok) {
        Message = Failure(Path, Reason(errno));
        ok = false;
    }
    Descriptor = -1;
    if (ok) {
        const int error = PutInPlace(Temporary, Path, Replace);
        if (error != 0) {
            Message = Failure(Path, Reason(error));
            ok = false;
        }
    }
    if (!ok)
        ::unlink(Temporary.c_str());
    Temporary.clear();
    return ok;
}

void TStreamedOutput::Discard() {
    if (Descriptor >= 0) {
        ::close(Descriptor);
        Descriptor = -1;
    }
    if (!Temporary.empty()) {
        ::unlink(Temporary.c_str());
        Temporary.clear();
    }
    Buffer.clear();
}
