#include "platform/Cp1251.h"

#include <gtest/gtest.h>

namespace {

using platform::fromCp1251;
using platform::toCp1251;
using namespace std::string_literals;

TEST(Cp1251, EveryByteHasItsOwnCharacterAndSurvivesARoundTrip) {
    QString all;
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, char(b));
        const QString text = fromCp1251(byte);
        ASSERT_EQ(text.size(), 1) << b;
        EXPECT_EQ(all.indexOf(text), -1) << "byte " << b << " decodes like an earlier one";
        EXPECT_EQ(toCp1251(text), byte) << "byte " << b;
        all += text;
    }
}

// Rows that round-trip decode as they encode; an unmappable character becomes a question mark,
// never Ctrl-Z (end of file to Windows tools).
TEST(Cp1251, DecodesAndEncodesUnmappableCharactersAsAQuestionMark) {
    const struct {
        const char* name;
        QString text;
        std::string bytes;
        bool round_trip = true;
    } rows[] = {
        {"Ascii", u"ATDP 9w9w"_qs, "ATDP 9w9w"},
        {"Empty", u""_qs, ""},
        {"Russian", u"Привет"_qs, "\xCF\xF0\xE8\xE2\xE5\xF2"},
        {"YoAndNumero", u"Ёё№"_qs, "\xA8\xB8\xB9"},
        {"EuroAndDashes", u"€–—"_qs, "\x88\x96\x97"},
        {"UkrainianAndSerbian", u"ЇїЄєЂђ"_qs, "\xAF\xBF\xAA\xBA\x80\x90"},
        {"NulAndCtrlZAsTheyAre", QString(QChar(0)) + QChar(0x1A), "\0\x1A"s},
        {"Umlaut", u"aäb"_qs, "a?b", false},
        {"Chinese", u"日本"_qs, "??", false},
        {"Greek", u"Ωμ"_qs, "??", false},
        {"ReplacementChar", QString(QChar(0xFFFD)), "?", false},
        {"SurrogatePairIsOneCharacter", u"x😀y"_qs, "x?y", false},
        {"LoneHighSurrogate", QString(QChar(0xD83D)) + u"z"_qs, "?z", false},
        {"LoneLowSurrogate", QString(QChar(0xDE00)), "?", false},
        {"HighSurrogateAtEnd", u"Я"_qs + QChar(0xD83D), "\xDF?", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string out = toCp1251(row.text);
        EXPECT_EQ(out, row.bytes);
        if (row.round_trip) {
            EXPECT_EQ(fromCp1251(row.bytes), row.text);
        } else {
            EXPECT_EQ(out.find('\x1A'), std::string::npos);
        }
    }
}

}  // namespace
