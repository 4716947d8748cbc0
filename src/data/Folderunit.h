// Folderunit: the spectrum files of a folder as a user browses them, and the new ones that a
// telescope's control program writes into it during a session.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Name order as people read names: runs of digits compare as numbers ("G0_60.0" before
// "G0_120.0"), letters without regard to case; names that differ only there in the byte order.
bool NaturalLess(const std::string& a, const std::string& b);

// The names (no folder) of the regular files in folder whose last extension is suffix (without
// the dot, any case; an empty suffix: files without one), in NaturalLess order. Hidden files
// are left out. Nothing when the folder cannot be listed.
std::vector<std::string> SpectrumFilesIn(const std::string& folder, const std::string& suffix);

// The same files with their sizes in bytes.
std::map<std::string, std::int64_t> SpectrumFileSizes(const std::string& folder,
                                                      const std::string& suffix);

// The name step places after current (negative: before) in names (NaturalLess order). A
// current name no longer in the list (the file was removed) counts from where it would stand.
// Nothing past either end: browsing does not wrap.
std::optional<std::string> NeighbourFile(const std::vector<std::string>& names,
                                         const std::string& current, int step);

// The files that arrive in a followed folder, each handed out once it is complete: a telescope
// writes a scan's file over a while, and a reader that took it half-written would show half a
// spectrum. A file is offered when its size has stayed the same for the settling time; the
// caller then reads it, and one that does not read yet (Rejected) is offered again only after
// its size changes and settles once more.
class TArrivals {
public:
    // The files already in the folder when following starts, with their sizes: they arrive
    // only if they are written to.
    explicit TArrivals(const std::map<std::string, std::int64_t>& present = {});

    // A look at the folder at time now (ms, any steady clock): every file's name and size.
    // Files not seen before, and files whose size changed, begin to arrive; files gone are
    // forgotten.
    void Look(const std::map<std::string, std::int64_t>& sizes, std::int64_t now);
    // The arriving files whose size has not changed for settle ms (by the looks made), in
    // NaturalLess order; each is handed out once.
    std::vector<std::string> Ready(std::int64_t now, std::int64_t settle);
    // A file handed out could not be read: it waits for its size to change.
    void Rejected(const std::string& name);
    // Some file is arriving: the caller keeps looking.
    bool Waiting() const;

private:
    struct TFile {
        std::int64_t Size = -1;
        std::int64_t Since = 0; // when the size was first seen as it is
        enum { Arriving, Handed, Rejected, Known } State = Arriving;
    };
    std::map<std::string, TFile> Files;
};
