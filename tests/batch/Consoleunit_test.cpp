// What a batch run shows on a terminal.
#include "batch/Consoleunit.h"

#include <gtest/gtest.h>

namespace {

TEST(BatchConsole, ControlsAndBrokenUtf8AreShownEscaped) {
    // Expected forms from the definitions: C0 controls and DEL as \xNN, C1 controls (U+0080..
    // U+009F, bytes C2 80..C2 9F) as \u00NN, well-formed UTF-8 (RFC 3629) as it is, and each
    // byte of a malformed sequence (lone continuation, truncated, overlong, surrogate, beyond
    // U+10FFFF) as \xNN.
    const std::pair<const char*, const char*> cases[] = {
        {"G0_30.0.dat", "G0_30.0.dat"},
        {"\x1b]0;t\x07", "\\x1b]0;t\\x07"},
        {"a\nb\r\t\x7f", "a\\x0ab\\x0d\\x09\\x7f"},
        {"5\xc2\xb0 \xe2\x82\xac \xf0\x9f\x98\x80", "5\xc2\xb0 \xe2\x82\xac \xf0\x9f\x98\x80"},
        {"\xc2\x9b"
         "2J",
         "\\u009b2J"},
        {"\x9b"
         "2J",
         "\\x9b2J"},
        {"\xe2\x82", "\\xe2\\x82"},
        {"\xc0\xaf", "\\xc0\\xaf"},
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
        // Bidirectional controls (Unicode's UAX #9: RLO U+202E, LRI U+2066, PDI U+2069, RLM
        // U+200F, ALM U+061C) and the line separator U+2028; the characters beside them (U+202F,
        // U+2065 unassigned, U+2070) are shown.
        {"a\xe2\x80\xaetxt.dat", "a\\u202etxt.dat"},
        {"\xe2\x81\xa6x\xe2\x81\xa9", "\\u2066x\\u2069"},
        {"\xe2\x80\x8f\xd8\x9c\xe2\x80\xa8", "\\u200f\\u061c\\u2028"},
        {"\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xb0", "\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xb0"},
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(ConsoleText(text), shown);
}

} // namespace
