#include "batch/Outputunit.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
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

int CreateTemporaryBeside(const std::string& path, std::string& temporary) {
    // Shared by the run's threads, whose temporary files carry the same process number.
    static std::atomic<unsigned long> counter(0);
    const std::size_t slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder + "." + name + "." + std::to_string(::getpid()) + "-" +
                    std::to_string(++counter) + ".tmp";
        const int descriptor =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
    return -1;
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
