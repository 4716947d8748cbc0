#include "batch/Consoleunit.h"

namespace {

using TClock = std::chrono::steady_clock;

double SecondsSince(TClock::time_point start) {
    return std::chrono::duration<double>(TClock::now() - start).count();
}

// The length of the well-formed UTF-8 character at text[at] (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0.
std::size_t Utf8Length(const std::string& text, std::size_t at) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xbf; // of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    }
    if (length == 0 || at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(at + k) < 0x80 || byte(at + k) > 0xbf)
            return 0;
    return length;
}

// The code point of the well-formed UTF-8 character of length bytes at text[at].
unsigned long CodePoint(const std::string& text, std::size_t at, std::size_t length) {
    unsigned long code = static_cast<unsigned char>(text[at]) & (0xffu >> (length + 1));
    for (std::size_t k = 1; k < length; ++k)
        code = code << 6 | (static_cast<unsigned char>(text[at + k]) & 0x3fu);
    return code;
}

// Whether a printable character is shown escaped all the same: a C1 control (U+0080..U+009F);
// a bidirectional control (U+061C, U+200E, U+200F, U+202A..U+202E, U+2066..U+2069), which
// reorders what follows it on the line, so that a name could show as another ("Trojan
// Source", CVE-2021-42574); a line or paragraph separator (U+2028, U+2029), at which some
// terminals break the line.
bool Hidden(unsigned long code) {
    return (code >= 0x80 && code <= 0x9f) || code == 0x61c || code == 0x200e || code == 0x200f ||
           (code >= 0x2028 && code <= 0x202e) || (code >= 0x2066 && code <= 0x2069);
}

} // namespace

TProgress::TProgress(const TRunConsole& console, long total)
    : Console(console), Total(total), Start(TClock::now()) {}

void TProgress::Show(long done, long failed, bool now) {
    if (!Console.Terminal || Console.Quiet)
        return;
    const double elapsed = SecondsSince(Start);
    if (!now && elapsed - LastShown < 0.1)
        return;
    LastShown = elapsed;
    const int width = 30;
    const int filled = Total > 0 ? static_cast<int>(width * done / Total) : width;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(static_cast<std::size_t>(width), '-');
    std::fprintf(Console.Stream, "\r\033[K[%s] %ld/%ld files, %ld failed, %.0f files/s",
                 bar.c_str(), done, Total, failed, elapsed > 0 ? done / elapsed : 0.0);
    std::fflush(Console.Stream);
    Drawn = true;
}

void TProgress::Message(const std::string& text) {
    Erase();
    std::fprintf(Console.Stream, "%s\n", ConsoleText(text).c_str());
    if (Console.Terminal)
        std::fflush(Console.Stream);
}

void TProgress::Erase() {
    if (Drawn)
        std::fprintf(Console.Stream, "\r\033[K");
    Drawn = false;
    LastShown = -1.0;
}

double TProgress::Elapsed() const {
    return SecondsSince(Start);
}

std::string ConsoleText(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    char code[24];
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const std::size_t length = c < 0x80 ? 1 : Utf8Length(text, at);
        const unsigned long point = length > 1 ? CodePoint(text, at, length) : c;
        if ((c >= 0x20 && c < 0x7f) || (length > 1 && !Hidden(point))) {
            shown.append(text, at, length);
            at += length;
        } else if (length > 1) {
            std::snprintf(code, sizeof code, "\\u%04lx", point);
            shown += code;
            at += length;
        } else {
            std::snprintf(code, sizeof code, "\\x%02x", c);
            shown += code;
            ++at;
        }
    }
    return shown;
}
