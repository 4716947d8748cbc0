// The values of the data items: every item's double is that of its text, to the last bit.
#include "data/ReaderFixture.h"
#include "data/Readunit.h"
#include "data/Readunit_internal.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

// ---- The values of the data items ------------------------------------------------------------
//
// The items read through files compared, bit for bit and outcome for outcome, with a reading of
// the same text one character at a time by the rules of the format: white space, then an
// optional sign, digits with an optional fraction (at least one digit), an optional exponent;
// the text converted by the C library's strtod in the C locale, which rounds correctly (glibc),
// so that the correctly rounded value is unique and the reader's conversion must give its every
// bit. An item longer than MaxItemLength characters, an infinity, a NaN word, a hexadecimal
// form or a value beyond the range of a double ends the list; so does an exponent mark without
// digits, after its number.

namespace {

enum class TReferenceItem { Number, NumberThenEnd, End };

TReferenceItem ReferenceItem(const std::string& text, std::size_t& position, double& value) {
    auto peek = [&]() -> int {
        return position < text.size() ? static_cast<unsigned char>(text[position]) : -1;
    };
    while (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r' || peek() == '\v' ||
           peek() == '\f')
        ++position;
    std::string item;
    bool tooLong = false;
    auto takeOneOf = [&](const std::string& accepted) {
        const int c = peek();
        if (c < 0 || accepted.find(static_cast<char>(c)) == std::string::npos)
            return false;
        if (item.size() == MaxItemLength) {
            tooLong = true;
            return false;
        }
        item.push_back(text[position++]);
        return true;
    };
    auto takeDigits = [&]() {
        int count = 0;
        while (takeOneOf("0123456789"))
            ++count;
        return count;
    };
    takeOneOf("+-");
    int digits = takeDigits();
    if (takeOneOf("."))
        digits += takeDigits();
    if (digits == 0 || tooLong)
        return TReferenceItem::End;
    std::size_t numberLength = item.size();
    bool complete = true;
    if (takeOneOf("eE")) {
        takeOneOf("+-");
        if (takeDigits() > 0)
            numberLength = item.size();
        else
            complete = false;
        if (tooLong)
            return TReferenceItem::End;
    }
    // Beyond the range of a double: strtod reports ERANGE and gives an infinity, or zero for a
    // text that is not zero (a tiny value that still rounds to a subnormal number is in range).
    static const locale_t cLocale = ::newlocale(LC_NUMERIC_MASK, "C", nullptr);
    item.resize(numberLength);
    errno = 0;
    value = ::strtod_l(item.c_str(), nullptr, cLocale);
    if (errno == ERANGE && (value == 0.0 || std::isinf(value)))
        return TReferenceItem::End;
    return complete ? TReferenceItem::Number : TReferenceItem::NumberThenEnd;
}

// The message reading a file of this content should give ("" for none) and, when it reads, the
// items; the header is taken as good. Files here stay far below the read limit.
std::string ReferenceRead(const std::string& content, std::vector<double>& items) {
    std::size_t position = content.find('\n');
    position = position == std::string::npos ? content.size() : position + 1;
    items.clear();
    for (;;) {
        double value = 0.0;
        const TReferenceItem item = ReferenceItem(content, position, value);
        if (item == TReferenceItem::End)
            break;
        items.push_back(value);
        if (item == TReferenceItem::NumberThenEnd)
            break;
    }
    return items.size() == static_cast<std::size_t>(ChannelCount) ? ""
                                                                  : "wrong number of data items.";
}

std::uint64_t Bits(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Texts of data items of every form the format has, and of some it has not.
class TItemTexts {
public:
    explicit TItemTexts(std::uint32_t seed) : Random(seed) {}

    // A number of the format, within the range of a double.
    std::string Number() {
        switch (Below(8)) {
        case 0: // as a telescope writes them: a few decimals
            return Printed("%.3f", 1400.0 + Uniform() * 200.0);
        case 1: // every significant digit of a double
            return Printed("%.17g", (Uniform() - 0.5) * std::pow(10.0, Below(40) - 20.0));
        case 2: // shorter forms of the same
            return Printed(("%." + std::to_string(1 + Below(16)) + "g").c_str(),
                           (Uniform() - 0.5) * std::pow(10.0, Below(60) - 30.0));
        case 3:
            return Printed("%.6e", (Uniform() - 0.5) * std::pow(10.0, Below(600) - 300.0));
        default:
            return Composed();
        }
    }

    // Texts at the edges of the format: ends of the range, items that end the list, alone or
    // straight after a number.
    std::string Edge() {
        static const std::string edges[] = {"4.9e-324",
                                            "2.4703282292062327e-324",
                                            "2.4703282292062328e-324",
                                            "5e-324",
                                            "2.2250738585072011e-308",
                                            "2.2250738585072014e-308",
                                            "1.7976931348623157e308",
                                            "1.7976931348623158e308",
                                            "1.7976931348623159e308",
                                            "1e-400",
                                            "1e400",
                                            "-0",
                                            "0e999999",
                                            "1e-99999999999999999999",
                                            "9007199254740993",
                                            "9007199254740992.5",
                                            "1e22",
                                            "1e23",
                                            "123456789012345678901234567890",
                                            "0.000000000000000000000000000001",
                                            "5e",
                                            "5e+",
                                            "5E-",
                                            "5ex",
                                            "12abc",
                                            "abc",
                                            "inf",
                                            "-infinity",
                                            "nan",
                                            "0x1p3",
                                            "-",
                                            "+",
                                            ".",
                                            "-.",
                                            "e5",
                                            ".e1",
                                            "#",
                                            std::string(1, '\0'),
                                            std::string(511, '7'),
                                            std::string(512, '7'),
                                            std::string(513, '7'),
                                            "1." + std::string(510, '0'),
                                            "1." + std::string(511, '0'),
                                            std::string(508, '1') + "e+12"};
        return edges[Below(std::size(edges))];
    }

    std::string Separator() {
        static const char* const separators[] = {" ",  " ",  " ",  "\n", "\r\n",
                                                 "\t", "  ", "\v", "\f", " \n\t "};
        return separators[Below(std::size(separators))];
    }

    int Below(std::size_t count) { return static_cast<int>(Random() % count); }

private:
    // Sign, digits, fraction and exponent each present or not, of any length.
    std::string Composed() {
        std::string text;
        const int sign = Below(5);
        text += sign == 0 ? "-" : sign == 1 ? "+" : "";
        const int zeros = Below(4) == 0 ? Below(25) : 0;
        text += std::string(static_cast<std::size_t>(zeros), '0');
        text += Digits(Below(6) == 0 ? Below(30) : Below(8));
        if (Below(3) != 0 || text.find_first_of("0123456789") == std::string::npos) {
            text += '.';
            text += Digits(Below(6) == 0 ? Below(30) : 1 + Below(8));
        }
        if (Below(4) == 0) {
            text += Below(2) == 0 ? 'e' : 'E';
            const int exponentSign = Below(3);
            text += exponentSign == 0 ? "-" : exponentSign == 1 ? "+" : "";
            text += Digits(1 + Below(2));
        }
        return text;
    }

    std::string Digits(int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += static_cast<char>('0' + Below(10));
        return text;
    }

    double Uniform() { return std::uniform_real_distribution<double>(0.0, 1.0)(Random); }

    static std::string Printed(const char* format, double value) {
        char text[64];
        std::snprintf(text, sizeof text, format, value);
        return text;
    }

    std::mt19937 Random;
};

} // namespace

TEST_F(Reader, ItemValuesAreThoseOfTheTextToTheLastBit) {
    TItemTexts texts(20240611);
    int read = 0;
    int failed = 0;
    for (int file = 0; file < 300; ++file) {
        // Two files in three hold numbers only; the others one text at an edge of the format.
        const int edgeAt = texts.Below(3) == 0 ? texts.Below(ChannelCount + 1) : -1;
        const bool glued = texts.Below(2) == 0;
        std::string content = GoodHeader + "\n";
        for (int i = 0; i < ChannelCount; ++i) {
            if (i == edgeAt && !glued)
                content += texts.Edge() + texts.Separator();
            content += texts.Number();
            if (i == edgeAt && glued)
                content += texts.Edge();
            content += texts.Separator();
        }
        if (edgeAt == ChannelCount)
            content += texts.Edge();
        std::vector<double> expected;
        const std::string message = ReferenceRead(content, expected);
        SCOPED_TRACE("file " + std::to_string(file));
        ASSERT_EQ(MessageFor("items" + std::to_string(file) + ".dat", content), message);
        if (!message.empty()) {
            ++failed;
            continue;
        }
        ++read;
        ASSERT_EQ(Session.Signal().size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(Bits(Session.Signal()[i]), Bits(expected[i]))
                << "item " << i << " = " << Session.Signal()[i];
    }
    EXPECT_GT(read, 150) << "most files read";
    EXPECT_GT(failed, 50) << "many texts at the edges end the list";
}

TEST_F(Reader, ItemsAcrossTheEndOfABufferfulKeepTheirValues) {
    // An item that begins at each position before the end of the first read of the file (and
    // the white space before the items fills up to there), so that it is split between reads.
    const std::string items =
        "-1234.5678901234567e-7 " + Items(398) + " 0.000123456789012345678901234e+3";
    for (std::size_t before = 0; before <= 40; ++before) {
        SCOPED_TRACE("the item begins " + std::to_string(before) + " bytes before the end");
        const std::string content =
            GoodHeader + "\n" +
            std::string(TextSourceCapacity - GoodHeader.size() - 1 - before, ' ') + items;
        std::vector<double> expected;
        ASSERT_EQ(ReferenceRead(content, expected), "");
        ASSERT_EQ(MessageFor("split.dat", content), "");
        ASSERT_EQ(Session.Signal().size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(Bits(Session.Signal()[i]), Bits(expected[i])) << "item " << i;
    }
}
