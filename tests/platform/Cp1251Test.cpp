#include "platform/Cp1251.h"

#include <gtest/gtest.h>

namespace {

using platform::fromCp1251;
using platform::toCp1251;
using namespace std::string_literals;

TEST(Cp1251, EveryByteSurvivesARoundTrip) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, char(b));
        const QString text = fromCp1251(byte);
        ASSERT_EQ(text.size(), 1) << b;
        EXPECT_EQ(toCp1251(text), byte) << "byte " << b;
    }
}

TEST(Cp1251, EveryByteHasItsOwnCharacter) {
    QString all;
    for (int b = 0; b < 256; ++b) {
        all += fromCp1251(std::string(1, char(b)));
    }
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(all.indexOf(all[i]), i) << "byte " << i << " decodes like an earlier one";
    }
}

struct Row {
    const char* name;
    QString text;
    std::string bytes;
};

std::ostream& operator<<(std::ostream& os, const Row& row) {
    return os << row.name;
}

class Cp1251Both : public ::testing::TestWithParam<Row> {};

TEST_P(Cp1251Both, DecodesAndEncodes) {
    EXPECT_EQ(fromCp1251(GetParam().bytes), GetParam().text);
    EXPECT_EQ(toCp1251(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Cp1251Both,
    ::testing::Values(Row{"Ascii", u"ATDP 9w9w"_qs, "ATDP 9w9w"}, Row{"Empty", u""_qs, ""},
                      Row{"Russian", u"Привет"_qs, "\xCF\xF0\xE8\xE2\xE5\xF2"},
                      Row{"YoAndNumero", u"Ёё№"_qs, "\xA8\xB8\xB9"},
                      Row{"EuroAndDashes", u"€–—"_qs, "\x88\x96\x97"},
                      Row{"UkrainianAndSerbian", u"ЇїЄєЂђ"_qs, "\xAF\xBF\xAA\xBA\x80\x90"},
                      Row{"NulAndCtrlZAsTheyAre", QString(QChar(0)) + QChar(0x1A), "\0\x1A"s}),
    [](const auto& info) { return std::string(info.param.name); });

struct EncodeRow {
    const char* name;
    QString text;
    std::string bytes;
};

std::ostream& operator<<(std::ostream& os, const EncodeRow& row) {
    return os << row.name;
}

class Cp1251Unmappable : public ::testing::TestWithParam<EncodeRow> {};

TEST_P(Cp1251Unmappable, BecomesAQuestionMarkNeverCtrlZ) {
    const std::string out = toCp1251(GetParam().text);
    EXPECT_EQ(out, GetParam().bytes);
    EXPECT_EQ(out.find('\x1A'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Cp1251Unmappable,
    ::testing::Values(EncodeRow{"Umlaut", u"aäb"_qs, "a?b"}, EncodeRow{"Chinese", u"日本"_qs, "??"},
                      EncodeRow{"Greek", u"Ωμ"_qs, "??"},
                      EncodeRow{"ReplacementChar", QString(QChar(0xFFFD)), "?"},
                      EncodeRow{"SurrogatePairIsOneCharacter", u"x😀y"_qs, "x?y"},
                      EncodeRow{"LoneHighSurrogate", QString(QChar(0xD83D)) + u"z"_qs, "?z"},
                      EncodeRow{"LoneLowSurrogate", QString(QChar(0xDE00)), "?"},
                      EncodeRow{"HighSurrogateAtEnd", u"Я"_qs + QChar(0xD83D), "\xDF?"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
