// Outputunit: the files a batch run writes, never seen half-written.
//
// Each output is written whole to a new temporary file beside it (".kelvane-*.tmp") and
// renamed into place when complete, as Save as does. Save as also flushes every file to the
// disk before the rename; at thousands of files a second that flush (a journal commit each, a
// few milliseconds) would be most of the run. So a batch flushes a group of files at once: the
// data of every pending file reaches the disk in one flush of the file system, and only then do
// their names appear. After a crash or a power cut an output is therefore either absent, its
// previous version, or complete.
//
// POSIX (Linux): open with O_EXCL, rename, renameat2 with RENAME_NOREPLACE, syncfs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What happened to an output at a commit.
struct TOutputFailure {
    long Owner = 0;    // the value given to Add
    std::string Error; // Cannot save "<path>": <reason>
};

class TOutputGroup {
public:
    // replace: an existing file of an output's name is replaced; otherwise that output fails.
    explicit TOutputGroup(bool replace) : Replace(replace) {}
    ~TOutputGroup(); // removes the temporary files not yet committed
    TOutputGroup(const TOutputGroup&) = delete;
    TOutputGroup& operator=(const TOutputGroup&) = delete;

    // Writes data to a temporary file in path's folder; path itself appears at the next Commit.
    // owner tags the output (the input file's number). Throws std::runtime_error
    // "Cannot save \"<path>\": <reason>", leaving nothing behind.
    void Add(const std::string& path, const std::string& data, long owner);

    // Removes the pending outputs of one owner (an input file that failed after some of its
    // outputs were written).
    void Discard(long owner);

    std::size_t Pending() const { return Files.size(); }

    // Flushes every pending output to the disk, then renames each into place. Returns the
    // outputs that could not be put in place (their temporary files are removed).
    std::vector<TOutputFailure> Commit();

    // Removes every pending temporary file.
    void DiscardAll();

private:
    struct TPendingFile {
        std::string Path, Temporary;
        long Owner;
    };
    bool Replace;
    std::vector<TPendingFile> Files;
};

// One output written piece by piece (the survey summary), under the same rules: a temporary
// file that takes the output's name only on Commit, after being flushed to the disk.
class TStreamedOutput {
public:
    TStreamedOutput() = default;
    ~TStreamedOutput(); // removes the temporary file unless committed
    TStreamedOutput(const TStreamedOutput&) = delete;
    TStreamedOutput& operator=(const TStreamedOutput&) = delete;

    // Creates the temporary file beside path. Returned: false with Error() set.
    bool Open(const std::string& path, bool replace);
    // Appends text (buffered). Returned: false with Error() set after a write error.
    bool Append(const std::string& text);
    // Writes what is buffered, flushes the file to the disk and renames it into place.
    bool Commit();
    // Removes the temporary file.
    void Discard();
    const std::string& Error() const { return Message; }

private:
    bool WriteBuffer();
    std::string Path, Temporary, Buffer, Message;
    int Descriptor = -1;
    bool Replace = false;
};

// Flushes the file system that holds path to the disk (all of it: one call for every file
// written there). Returned: false when the flush failed.
bool FlushFileSystem(const std::string& path);

// A new temporary file beside path, opened for writing with the permissions a new file gets
// (0666 less the umask): TemporaryPrefix(), this process's pid, '-', a hex number, ".tmp". Its
// name is short whatever path's is, so it fits wherever path's name does. Returned: its
// descriptor and name, or -1 with errno set.
int CreateTemporaryBeside(const std::string& path, std::string& temporary);

// The start of the names of this process's temporary files: ".kelvane-", a hash of the host's
// name and of the pid namespace (8 hex digits), '-'. Processes of other hosts or containers
// writing into a shared folder have other prefixes.
std::string TemporaryPrefix();

// Removes from folder the temporary files (see CreateTemporaryBeside) of this host's processes
// that have ended, left by a run that was killed or lost its power. A file is taken for
// stale when no process has its pid, or when the process that has it now started after the
// file was last written (the pid was reused; read from /proc/PID/stat and /proc/stat's btime).
// A live process that cannot be looked at keeps its files. Returned: how many were removed.
int RemoveStaleTemporaries(const std::string& folder);

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);
