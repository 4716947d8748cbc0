#include "data/Fitswriteunit.h"

#include <cstdlib>
#include <dlfcn.h>
#include <fitsio.h>
#include <stdexcept>
#include <type_traits>

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
    std::string Error; // why the library could not be loaded; empty when it was
};

template <typename F> bool Bind(void* library, const char* name, F& function) {
    function = reinterpret_cast<F>(::dlsym(library, name));
    return function != nullptr;
}

TCfitsio LoadCfitsio() {
    TCfitsio f;
    void* library = ::dlopen(KELVANE_CFITSIO_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = ::dlerror();
        f.Error = std::string("CFITSIO (" KELVANE_CFITSIO_SONAME ") cannot be loaded: ") +
                  (reason ? reason : "unknown reason");
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
        f.Error = "CFITSIO (" KELVANE_CFITSIO_SONAME ") lacks a function this program uses";
    return f;
}

// The library, loaded by the first caller (of any thread); throws when it cannot be.
const TCfitsio& Cfitsio() {
    static const TCfitsio library = LoadCfitsio();
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

std::string FitsFileBytes(const TFitsImage& image) {
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
