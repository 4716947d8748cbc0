// Fuzz target: the command line of kelvane-batch.
//
// The input is split at NUL bytes into the arguments after the program's name (so an argument
// may hold line feeds and any other byte). Whatever the arguments, the parser returns options
// that keep its promises or one error; the error, as the console shows it, is one line without
// control characters; and a position given is one the details dialog can hold.
#include "batch/Batchoptions.h"
#include "batch/Batchrun.h"
#include "fuzz/FuzzCheck.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// The whole number of a field text the parser made ("-0", "59").
int FieldNumber(const std::string& text) {
    FUZZ_CHECK(!text.empty() && text.size() <= 12);
    int value = 0;
    for (std::size_t i = text[0] == '-' ? 1 : 0; i < text.size(); ++i) {
        FUZZ_CHECK(text[i] >= '0' && text[i] <= '9');
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

void CheckPosition(const TBatchOptions& o) {
    if (o.Position == TPositionSource::FileName)
        return;
    for (int k : {0, 3}) {
        const std::size_t i = static_cast<std::size_t>(k);
        FUZZ_CHECK(FieldNumber(o.PositionTexts[i + 1]) < 60);
        FUZZ_CHECK(FieldNumber(o.PositionTexts[i + 2]) < 60);
        FUZZ_CHECK(o.PositionTexts[i + 1][0] != '-' && o.PositionTexts[i + 2][0] != '-');
    }
    const int first = FieldNumber(o.PositionTexts[0]);
    const int second = FieldNumber(o.PositionTexts[3]);
    if (o.Position == TPositionSource::Equatorial) {
        // A right ascension in [0, 24) hours, whatever the rounding did.
        FUZZ_CHECK(o.PositionTexts[0][0] != '-' && first < 24);
        FUZZ_CHECK(second <= 90);
    } else {
        FUZZ_CHECK(first <= 90 && second <= 360);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments;
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0; start <= input.size();) {
        std::size_t end = input.find('\0', start);
        if (end == std::string::npos)
            end = input.size();
        arguments.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    const std::size_t given = arguments.size();

    const TParsedOptions parsed = ParseBatchOptions(arguments);
    if (!parsed.Ok) {
        FUZZ_CHECK(!parsed.Error.empty());
        for (const char c : ConsoleText(parsed.Error))
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
        return 0;
    }
    FUZZ_CHECK(parsed.Error.empty());
    const TBatchOptions& o = parsed.Options;
    FUZZ_CHECK(o.Files.size() <= given);
    if (o.Help || o.Version)
        return 0;
    for (const TLineWindow& w : o.Windows)
        FUZZ_CHECK(std::isfinite(w.Low) && std::isfinite(w.High) && w.Low <= w.High);
    FUZZ_CHECK(!o.Files.empty() || !o.FilesFrom.empty());
    FUZZ_CHECK(o.Terms >= 1 && o.Terms <= 20);
    FUZZ_CHECK(o.Jobs >= 0 && o.Jobs <= 256);
    FUZZ_CHECK(o.R0 > 0.0 && o.R0 <= 100.0 && o.V0 > 0.0 && o.V0 <= 1000.0);
    FUZZ_CHECK(!o.OutFolder.empty());
    FUZZ_CHECK(o.FileErrors.empty());
    CheckPosition(o);
    return 0;
}
