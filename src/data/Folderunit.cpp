#include "data/Folderunit.h"

#include <algorithm>
#include <cctype>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            // Whole runs of digits, compared as numbers of any length: leading zeros skipped,
            // then the longer run is the larger number, else the first differing digit.
            std::size_t ie = i, je = j;
            while (ie < a.size() && digit(a[ie]))
                ++ie;
            while (je < b.size() && digit(b[je]))
                ++je;
            std::size_t is = i, js = j;
            while (is + 1 < ie && a[is] == '0')
                ++is;
            while (js + 1 < je && b[js] == '0')
                ++js;
            if (ie - is != je - js)
                return ie - is < je - js;
            const int order = a.compare(is, ie - is, b, js, je - js);
            if (order != 0)
                return order < 0;
            i = ie;
            j = je;
            continue;
        }
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[j]));
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b; // "a01" and "a1", "A" and "a": any order, but always the same one
}

namespace {

// The last extension of a file name, without the dot; "" when it has none.
std::string LastSuffix(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot + 1);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::map<std::string, std::int64_t> SpectrumFileSizes(const std::string& folder,
                                                      const std::string& suffix) {
    // Names are kept as the bytes the file system holds: decoded into text, a name that is not
    // valid UTF-8 would name another (missing) file.
    std::map<std::string, std::int64_t> sizes;
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return sizes;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.' || !SameIgnoringCase(LastSuffix(name), suffix))
            continue;
        struct stat status {};
        if (::fstatat(::dirfd(listing), name.c_str(), &status, 0) == 0 && S_ISREG(status.st_mode))
            sizes[name] = static_cast<std::int64_t>(status.st_size);
    }
    ::closedir(listing);
    return sizes;
}

std::vector<std::string> SpectrumFilesIn(const std::string& folder, const std::string& suffix) {
    std::vector<std::string> names;
    for (const auto& entry : SpectrumFileSizes(folder, suffix))
        names.push_back(entry.first);
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

std::optional<std::string> NeighbourFile(const std::vector<std::string>& names,
                                         const std::string& current, int step) {
    const auto at = std::lower_bound(names.begin(), names.end(), current, NaturalLess);
    const bool present = at != names.end() && *at == current;
    // Where a removed file stood, the next one is the one now in its place.
    long index = static_cast<long>(at - names.begin());
    if (!present && step > 0)
        --index;
    index += step;
    if (step == 0 || index < 0 || index >= static_cast<long>(names.size()))
        return std::nullopt;
    return names[static_cast<std::size_t>(index)];
}

TArrivals::TArrivals(const std::map<std::string, std::int64_t>& present) {
    for (const auto& [name, size] : present) {
        TFile& file = Files[name];
        file.Size = size;
        file.State = TFile::Known;
    }
}

void TArrivals::Look(const std::map<std::string, std::int64_t>& sizes, std::int64_t now) {
    for (auto it = Files.begin(); it != Files.end();)
        it = sizes.count(it->first) ? std::next(it) : Files.erase(it);
    for (const auto& [name, size] : sizes) {
        const auto [it, added] = Files.try_emplace(name);
        TFile& file = it->second;
        // A file written to, a known one too (a scan begun just before following began), is
        // arriving again: offered once its size settles.
        if (added || file.Size != size) {
            file.Size = size;
            file.Since = now;
            file.State = TFile::Arriving;
        }
    }
}

std::vector<std::string> TArrivals::Ready(std::int64_t now, std::int64_t settle) {
    std::vector<std::string> ready;
    for (auto& [name, file] : Files)
        if (file.State == TFile::Arriving && now - file.Since >= settle) {
            file.State = TFile::Handed;
            ready.push_back(name);
        }
    std::sort(ready.begin(), ready.end(), NaturalLess);
    return ready;
}

void TArrivals::Rejected(const std::string& name) {
    const auto it = Files.find(name);
    if (it != Files.end())
        it->second.State = TFile::Rejected;
}

bool TArrivals::Waiting() const {
    return std::any_of(Files.begin(), Files.end(),
                       [](const auto& f) { return f.second.State == TFile::Arriving; });
}
