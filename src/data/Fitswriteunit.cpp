#include "data/Fitswriteunit.h"

#include <cstdlib>
#include <fitsio.h>
#include <stdexcept>
#include <type_traits>

namespace {

// The library's text for status, and the first message of its error stack.
std::string CfitsioError(int status) {
    char text[FLEN_STATUS] = "";
    fits_get_errstatus(status, text);
    std::string message = std::string("CFITSIO: ") + text;
    char detail[FLEN_ERRMSG] = "";
    if (fits_read_errmsg(detail) && detail[0] != '\0')
        message += std::string(" (") + detail + ")";
    fits_clear_errmsg();
    return message;
}

// A memory file that is closed, and its buffer freed, whatever happens.
class TMemoryFits {
public:
    TMemoryFits() {
        fits_create_memfile(&File, &Buffer, &Size, 2880, std::realloc, &Status);
        Check();
    }
    ~TMemoryFits() {
        if (File) {
            int ignored = 0;
            fits_close_file(File, &ignored);
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
        fits_get_hduaddrll(File, &start, &data, &end, &Status);
        Check();
        fits_close_file(File, &Status);
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
            fits_write_comment(fits.File, text.c_str(), &status);
        else
            fits_write_history(fits.File, text.c_str(), &status);
    } else {
        std::visit(
            [&](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    fits_write_key_str(fits.File, key, value.c_str(), comment, &status);
                } else if constexpr (std::is_same_v<T, double>) {
                    // 17 significant digits: every double reads back as itself.
                    fits_write_key_dbl(fits.File, key, value, -17, comment, &status);
                } else if constexpr (std::is_same_v<T, long long>) {
                    fits_write_key_lng(fits.File, key, value, comment, &status);
                } else {
                    fits_write_key_log(fits.File, key, value ? 1 : 0, comment, &status);
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
    fits_create_img(fits.File, DOUBLE_IMG, static_cast<int>(axes.size()), axes.data(),
                    &fits.Status);
    fits.Check();
    for (const TFitsCard& card : image.Cards)
        WriteCard(fits, card);
    if (!image.Data.empty()) {
        // NaN stays NaN: doubles are written as they are (no null value substituted).
        std::vector<double> data = image.Data;
        fits_write_img(fits.File, TDOUBLE, 1, static_cast<LONGLONG>(data.size()), data.data(),
                       &fits.Status);
        fits.Check();
    }
    if (image.Table) {
        const TFitsTable& table = *image.Table;
        const std::string format = std::to_string(table.Values.size()) + "D";
        const std::string dimension = "(1," + std::to_string(table.Values.size()) + ")";
        char* names[] = {const_cast<char*>(table.Column.c_str())};
        char* formats[] = {const_cast<char*>(format.c_str())};
        fits_create_tbl(fits.File, BINARY_TBL, 1, 1, names, formats, nullptr, table.ExtName.c_str(),
                        &fits.Status);
        fits.Check();
        // A coordinate array of one coordinate per row of the table: dimensions (1, K).
        fits_write_key_str(fits.File, "TDIM1", dimension.c_str(), "one coordinate, K values",
                           &fits.Status);
        std::vector<double> values = table.Values;
        fits_write_col(fits.File, TDOUBLE, 1, 1, 1, static_cast<LONGLONG>(values.size()),
                       values.data(), &fits.Status);
        fits.Check();
    }
    return fits.Close();
}
