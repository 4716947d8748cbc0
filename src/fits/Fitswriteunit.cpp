#include "fits/Fitswriteunit.h"

#include "fits/Fitswriteunit_internal.h"

#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <fitsio.h>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <vector>

namespace {

// CFITSIO, loaded when the first FITS file is made rather than linked. The library brings in
// libcurl for its network drivers and with it some 25 more libraries (TLS, Kerberos, LDAP, ...),
// whose loading made every start of the window 7 ms slower (30 to 38 ms, 40 cold starts each);
// loaded on demand, only an export pays for them, once. The functions are the library's own
// (the fits_... names of fitsio.h stand for them), with their declared types.
struct TCfitsio {
    decltype(&ffgerr) GetErrStatus = nullptr;  // fits_get_errstatus
    decltype(&ffgmsg) ReadErrMsg = nullptr;    // fits_read_errmsg
    decltype(&ffcmsg) ClearErrMsg = nullptr;   // fits_clear_errmsg
    decltype(&ffimem) CreateMemFile = nullptr; // fits_create_memfile
    decltype(&ffclos) CloseFile = nullptr;     // fits_close_file
    decltype(&ffghadll) GetHduAddr = nullptr;  // fits_get_hduaddrll
    decltype(&ffpcom) WriteComment = nullptr;  // fits_write_comment
    decltype(&ffphis) WriteHistory = nullptr;  // fits_write_history
    decltype(&ffpkys) WriteKeyStr = nullptr;   // fits_write_key_str
    decltype(&ffpkyd) WriteKeyDbl = nullptr;   // fits_write_key_dbl
    decltype(&ffpkyj) WriteKeyLng = nullptr;   // fits_write_key_lng
    decltype(&ffpkyl) WriteKeyLog = nullptr;   // fits_write_key_log
    decltype(&ffcrim) CreateImg = nullptr;     // fits_create_img
    decltype(&ffppr) WriteImg = nullptr;       // fits_write_img
    decltype(&ffcrtb) CreateTbl = nullptr;     // fits_create_tbl
    decltype(&ffpcl) WriteCol = nullptr;       // fits_write_col
    std::string Error;      // why the library could not be loaded; empty when it was
    bool Reentrant = false; // fits_is_reentrant(): built for calls from several threads at once
};

template <typename F> bool Bind(void* library, const char* name, F& function) {
    function = reinterpret_cast<F>(::dlsym(library, name));
    return function != nullptr;
}

TCfitsio LoadCfitsio(const char* name, std::optional<bool> reentrant) {
    TCfitsio f;
    void* library = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = ::dlerror();
        f.Error = std::string("CFITSIO (") + name +
                  ") cannot be loaded: " + (reason ? reason : "unknown reason");
        return f;
    }
    // Kept loaded for the life of the process.
    const bool all =
        Bind(library, "ffgerr", f.GetErrStatus) && Bind(library, "ffgmsg", f.ReadErrMsg) &&
        Bind(library, "ffcmsg", f.ClearErrMsg) && Bind(library, "ffimem", f.CreateMemFile) &&
        Bind(library, "ffclos", f.CloseFile) && Bind(library, "ffghadll", f.GetHduAddr) &&
        Bind(library, "ffpcom", f.WriteComment) && Bind(library, "ffphis", f.WriteHistory) &&
        Bind(library, "ffpkys", f.WriteKeyStr) && Bind(library, "ffpkyd", f.WriteKeyDbl) &&
        Bind(library, "ffpkyj", f.WriteKeyLng) && Bind(library, "ffpkyl", f.WriteKeyLog) &&
        Bind(library, "ffcrim", f.CreateImg) && Bind(library, "ffppr", f.WriteImg) &&
        Bind(library, "ffcrtb", f.CreateTbl) && Bind(library, "ffpcl", f.WriteCol);
    if (!all)
        f.Error = std::string("CFITSIO (") + name + ") lacks a function this program uses";
    // A library built without --enable-reentrant shares its buffers between all open files:
    // the batch's workers, each making a file at once, would corrupt each other's. One that
    // cannot say is taken for such a library.
    decltype(&fits_is_reentrant) isReentrant = nullptr;
    f.Reentrant = Bind(library, "fits_is_reentrant", isReentrant) && isReentrant() != 0;
    if (reentrant)
        f.Reentrant = *reentrant;
    return f;
}

// The library as loaded, once for the process (a replacement by the tests is kept as well).
std::atomic<const TCfitsio*> Loaded(nullptr);
std::mutex Loading;

// Every library loaded, kept for the life of the process (a thread may still use one that the
// tests replaced); reachable, so a leak checker does not count them. Under Loading.
const TCfitsio* Keep(TCfitsio library) {
    static auto* const all = new std::vector<std::unique_ptr<const TCfitsio>>();
    all->push_back(std::make_unique<const TCfitsio>(std::move(library)));
    return all->back().get();
}

const TCfitsio& LoadedCfitsio() {
    if (const TCfitsio* library = Loaded.load(std::memory_order_acquire))
        return *library;
    const std::lock_guard<std::mutex> lock(Loading);
    if (!Loaded.load(std::memory_order_relaxed))
        Loaded.store(Keep(LoadCfitsio(KELVANE_CFITSIO_SONAME, std::nullopt)),
                     std::memory_order_release);
    return *Loaded.load(std::memory_order_relaxed);
}

// The library, loaded by the first caller (of any thread); throws when it cannot be.
const TCfitsio& Cfitsio() {
    const TCfitsio& library = LoadedCfitsio();
    if (!library.Error.empty())
        throw std::runtime_error(library.Error);
    return library;
}

// The library's text for status, and the first message of its error stack.
std::string CfitsioError(int status) {
    char text[FLEN_STATUS] = "";
    Cfitsio().GetErrStatus(status, text);
    std::string message = std::string("CFITSIO: ") + text;
    char detail[FLEN_ERRMSG] = "";
    if (Cfitsio().ReadErrMsg(detail) && detail[0] != '\0')
        message += std::string(" (") + detail + ")";
    Cfitsio().ClearErrMsg();
    return message;
}

// A memory file that is closed, and its buffer freed, whatever happens.
class TMemoryFits {
public:
    TMemoryFits() {
        Cfitsio().CreateMemFile(&File, &Buffer, &Size, 2880, std::realloc, &Status);
        Check();
    }
    ~TMemoryFits() {
        if (File) {
            int ignored = 0;
            Cfitsio().CloseFile(File, &ignored);
        }
        std::free(Buffer);
    }
    TMemoryFits(const TMemoryFits&) = delete;
    TMemoryFits& operator=(const TMemoryFits&) = delete;

    // Throws the library's error once a call has failed.
    void Check() {
        if (Status != 0)
            throw std::runtime_error(CfitsioError(Status));
    }

    // Closes the file and returns its bytes.
    std::string Close() {
        LONGLONG start = 0, data = 0, end = 0;
        Cfitsio().GetHduAddr(File, &start, &data, &end, &Status);
        Check();
        Cfitsio().CloseFile(File, &Status);
        File = nullptr;
        Check();
        if (static_cast<size_t>(end) > Size)
            throw std::runtime_error("CFITSIO: the file in memory is shorter than its HDUs");
        return std::string(static_cast<const char*>(Buffer), static_cast<size_t>(end));
    }

    fitsfile* File = nullptr;
    int Status = 0;

private:
    void* Buffer = nullptr;
    size_t Size = 0;
};

void WriteCard(TMemoryFits& fits, const TFitsCard& card) {
    char* key = const_cast<char*>(card.Key.c_str());
    char* comment = card.Comment.empty() ? nullptr : const_cast<char*>(card.Comment.c_str());
    int& status = fits.Status;
    if (card.Key == "COMMENT" || card.Key == "HISTORY") {
        const std::string& text = std::get<std::string>(card.Value);
        if (card.Key == "COMMENT")
            Cfitsio().WriteComment(fits.File, text.c_str(), &status);
        else
            Cfitsio().WriteHistory(fits.File, text.c_str(), &status);
    } else {
        std::visit(
            [&](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    Cfitsio().WriteKeyStr(fits.File, key, value.c_str(), comment, &status);
                } else if constexpr (std::is_same_v<T, double>) {
                    // 17 significant digits: every double reads back as itself.
                    Cfitsio().WriteKeyDbl(fits.File, key, value, -17, comment, &status);
                } else if constexpr (std::is_same_v<T, long long>) {
                    Cfitsio().WriteKeyLng(fits.File, key, value, comment, &status);
                } else {
                    Cfitsio().WriteKeyLog(fits.File, key, value ? 1 : 0, comment, &status);
                }
            },
            card.Value);
    }
    fits.Check();
}

} // namespace

std::string FitsLibraryError() {
    return LoadedCfitsio().Error;
}

void ReloadFitsLibrary(const char* name, std::optional<bool> reentrant) {
    const std::lock_guard<std::mutex> lock(Loading);
    Loaded.store(Keep(LoadCfitsio(name ? name : KELVANE_CFITSIO_SONAME, reentrant)),
                 std::memory_order_release);
}

std::unique_lock<std::mutex> FitsWritingLock() {
    static std::mutex writing;
    return Cfitsio().Reentrant ? std::unique_lock<std::mutex>()
                               : std::unique_lock<std::mutex>(writing);
}

std::string FitsFileBytes(const TFitsImage& image) {
    const std::unique_lock<std::mutex> serialised = FitsWritingLock();
    TMemoryFits fits;
    std::vector<long> axes = image.Axes;
    Cfitsio().CreateImg(fits.File, DOUBLE_IMG, static_cast<int>(axes.size()), axes.data(),
                        &fits.Status);
    fits.Check();
    for (const TFitsCard& card : image.Cards)
        WriteCard(fits, card);
    if (!image.Data.empty()) {
        // NaN stays NaN: doubles are written as they are (no null value substituted).
        std::vector<double> data = image.Data;
        Cfitsio().WriteImg(fits.File, TDOUBLE, 1, static_cast<LONGLONG>(data.size()), data.data(),
                           &fits.Status);
        fits.Check();
    }
    if (image.Table) {
        const TFitsTable& table = *image.Table;
        const std::string format = std::to_string(table.Values.size()) + "D";
        const std::string dimension = "(1," + std::to_string(table.Values.size()) + ")";
        char* names[] = {const_cast<char*>(table.Column.c_str())};
        char* formats[] = {const_cast<char*>(format.c_str())};
        Cfitsio().CreateTbl(fits.File, BINARY_TBL, 1, 1, names, formats, nullptr,
                            table.ExtName.c_str(), &fits.Status);
        fits.Check();
        // A coordinate array of one coordinate per row of the table: dimensions (1, K).
        Cfitsio().WriteKeyStr(fits.File, "TDIM1", dimension.c_str(), "one coordinate, K values",
                              &fits.Status);
        std::vector<double> values = table.Values;
        Cfitsio().WriteCol(fits.File, TDOUBLE, 1, 1, 1, static_cast<LONGLONG>(values.size()),
                           values.data(), &fits.Status);
        fits.Check();
    }
    return fits.Close();
}
