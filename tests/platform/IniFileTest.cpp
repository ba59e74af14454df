#include "platform/IniFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/Files.h"
#include "support/AsUser.h"
#include "support/PermissionsApply.h"

namespace {

using platform::IniFile;
using platform::parse_profile_int;
using platform::read_profile_string;
using support::As;
using support::run_in_child;
using ::testing::ElementsAre;
using namespace std::string_literals;

struct LookupRow {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

std::ostream& operator<<(std::ostream& os, const LookupRow& row) {
    return os << row.name;
}

class IniLookup : public ::testing::TestWithParam<LookupRow> {};

TEST_P(IniLookup, FindsTheValueTheClassicWay) {
    const auto& row = GetParam();
    EXPECT_EQ(IniFile::parse(row.file).value(row.section, row.key), row.expected);
}

const std::string kBig(100 * 1024, 'x');

INSTANTIATE_TEST_SUITE_P(
    Rows, IniLookup,
    ::testing::Values(
        LookupRow{"Plain", "[PARAM]\r\nport=3\r\n", "PARAM", "port", "3"},
        LookupRow{"SectionNameIgnoresCase", "[param]\r\nport=3\r\n", "PARAM", "port", "3"},
        LookupRow{"KeyNameIgnoresCase", "[PARAM]\r\nPoRt=3\r\n", "PARAM", "port", "3"},
        LookupRow{"CyrillicNamesIgnoreCase", "[\xCF\xC0\xD0\xC0\xCC]\r\n\xCA\xCB\xDE\xD7=1\r\n",
                  "\xEF\xE0\xF0\xE0\xEC", "\xEA\xEB\xFE\xF7", "1"},
        LookupRow{"BlanksAroundKeyAndValue", "[PARAM]\r\n \t port \t=\t ATZ  \r\n", "PARAM", "port",
                  "ATZ"},
        LookupRow{"BlanksInsideBrackets", "  [ PARAM ]  \r\nport=1\r\n", "PARAM", "port", "1"},
        LookupRow{"HeaderWithTrailingText", "[PARAM] ; settings\r\nport=1\r\n", "PARAM", "port",
                  "1"},
        LookupRow{"DoubleQuotesRemoved", "[S]\r\nk=\" a b \"\r\n", "S", "k", " a b "},
        LookupRow{"SingleQuotesRemoved", "[S]\r\nk='x'\r\n", "S", "k", "x"},
        LookupRow{"MismatchedQuotesKept", "[S]\r\nk=\"x'\r\n", "S", "k", "\"x'"},
        LookupRow{"LoneQuoteKept", "[S]\r\nk=\"\r\n", "S", "k", "\""},
        LookupRow{"InnerQuotesKept", "[S]\r\nk=a\"b\"c\r\n", "S", "k", "a\"b\"c"},
        LookupRow{"EmptyValueIsPresent", "[S]\r\nk=\r\n", "S", "k", ""},
        LookupRow{"EqualsInValue", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
        LookupRow{"SemicolonInValueKept", "[S]\r\nk=1 ; note\r\n", "S", "k", "1 ; note"},
        LookupRow{"MissingKey", "[S]\r\nother=1\r\n", "S", "k", std::nullopt},
        LookupRow{"MissingSection", "[T]\r\nk=1\r\n", "S", "k", std::nullopt},
        LookupRow{"KeyOfAnotherSection", "[S]\r\na=1\r\n[T]\r\nk=1\r\n", "S", "k", std::nullopt},
        LookupRow{"KeyBeforeAnySection", "k=1\r\n[S]\r\n", "S", "k", std::nullopt},
        LookupRow{"CommentIsNoKey", "[S]\r\n;k=1\r\n", "S", "k", std::nullopt},
        LookupRow{"IndentedCommentIsNoKey", "[S]\r\n  ;k=1\r\n", "S", "k", std::nullopt},
        LookupRow{"LineWithoutEqualsIsNoKey", "[S]\r\nk\r\nk 1\r\n", "S", "k", std::nullopt},
        LookupRow{"HeaderWithoutBracketIsNoSection", "[S\r\nk=1\r\n", "S", "k", std::nullopt},
        LookupRow{"FirstDuplicateKeyWins", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "1"},
        LookupRow{"FirstDuplicateSectionWins", "[S]\r\nk=1\r\n[s]\r\nk=2\r\n", "S", "k", "1"},
        LookupRow{"LaterDuplicateSectionIgnored", "[S]\r\na=1\r\n[S]\r\nk=2\r\n", "S", "k",
                  std::nullopt},
        LookupRow{"ValueStopsAtNul", "[S]\r\nk=ab\0cd\r\n"s, "S", "k", "ab"},
        LookupRow{"NulBeforeEqualsIsNoKey", "[S]\r\nk\0=1\r\n"s, "S", "k", std::nullopt},
        LookupRow{"LfLineEnds", "[S]\nk=1\nj=2\n", "S", "j", "2"},
        LookupRow{"CrCrLfLineEnds", "[S]\r\r\nk=1\r\r\n", "S", "k", "1"},
        LookupRow{"LastLineWithoutLineEnd", "[S]\r\nk=1", "S", "k", "1"},
        LookupRow{"LoneCrDoesNotEndALine", "[S]\rk=1\r\n", "S", "k", std::nullopt},
        LookupRow{"HugeLineBeforeKey", "[S]\r\njunk=" + kBig + "\r\n" + kBig + "\r\nk=1\r\n", "S",
                  "k", "1"},
        LookupRow{"EmptyDocument", "", "S", "k", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniLookup, ReadProfileStringCutsTo1023BytesAndFallsBack) {
    auto ini = IniFile::parse("[S]\r\nbig=" + kBig + "\r\nempty=\r\n");
    EXPECT_EQ(read_profile_string(ini, "S", "big", "d"), std::string(1023, 'x'));
    EXPECT_EQ(read_profile_string(ini, "S", "empty", "d"), "");
    EXPECT_EQ(read_profile_string(ini, "S", "none", "d"), "d");
    EXPECT_EQ(read_profile_string(ini, "T", "big", "d"), "d");
    EXPECT_EQ(read_profile_string("/nonexistent-dir/x.ini", "S", "k", "dflt"), "dflt");
}

struct IntRow {
    const char* name;
    std::string text;
    std::int32_t expected;  // with fallback -77
};

std::ostream& operator<<(std::ostream& os, const IntRow& row) {
    return os << row.name;
}

class ProfileInt : public ::testing::TestWithParam<IntRow> {};

TEST_P(ProfileInt, FollowsTheRule) {
    EXPECT_EQ(parse_profile_int(GetParam().text, -77), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProfileInt,
    ::testing::Values(
        IntRow{"Decimal", "30", 30}, IntRow{"Zero", "0", 0}, IntRow{"Negative", "-1", -1},
        IntRow{"Plus", "+7", 7}, IntRow{"LeadingZeros", "007", 7},
        IntRow{"Max", "2147483647", INT32_MAX}, IntRow{"Min", "-2147483648", INT32_MIN},
        IntRow{"AboveMax", "2147483648", -77}, IntRow{"BelowMin", "-2147483649", -77},
        IntRow{"FarTooLong", "99999999999999999999999", -77}, IntRow{"HexLower", "0x3", 3},
        IntRow{"HexUpperX", "0X1f", 31}, IntRow{"HexAllOnesIsMinusOne", "0xFFFFFFFF", -1},
        IntRow{"HexSignBit", "0x80000000", INT32_MIN}, IntRow{"HexNineDigits", "0x000000001", -77},
        IntRow{"HexTooBig", "0x100000000", -77}, IntRow{"HexZero", "0x0", 0},
        IntRow{"ZeroXAlone", "0x", -77}, IntRow{"ZeroXNotHex", "0xg", -77},
        IntRow{"Dollar", "$10", 16}, IntRow{"DollarAllOnes", "$FFFFFFFF", -1},
        IntRow{"DollarAlone", "$", -77}, IntRow{"DollarSigned", "$-1", -77},
        IntRow{"SignedHex", "-0x5", -77}, IntRow{"Letters", "abc", -77}, IntRow{"Empty", "", -77},
        IntRow{"TrailingJunk", "12abc", -77}, IntRow{"LeadingBlank", " 5", -77},
        IntRow{"TrailingBlank", "5 ", -77}, IntRow{"SignAlone", "-", -77},
        IntRow{"DoubleSign", "+-5", -77}, IntRow{"Exponent", "1e3", -77},
        IntRow{"Fraction", "1.5", -77},
        IntRow{"EmbeddedNul",
               "1\0"s
               "2",
               -77}),
    [](const auto& info) { return std::string(info.param.name); });

std::string written(std::string file, std::string_view section, std::string_view key,
                    std::string_view value) {
    auto ini = IniFile::parse(file);
    ini.set_value(section, key, value);
    return ini.bytes();
}

TEST(IniWrite, ReplacesTheLineInPlaceKeepingEveryOtherByte) {
    const std::string before = "; head\n[A]\r\nx = 1 \r\n\r\n[PARAM]\nwait=5\nport = 2  \njunk" +
                               "\0\xFF"s + "\n" + kBig + "\r\n[Z]\r\nz=9";
    const std::string after = "; head\n[A]\r\nx = 1 \r\n\r\n[PARAM]\nwait=5\nport=4\r\njunk" +
                              "\0\xFF"s + "\n" + kBig + "\r\n[Z]\r\nz=9";
    EXPECT_EQ(written(before, "param", "port", "4"), after);
}

TEST(IniWrite, NewKeyGoesAfterTheLastKeyOfItsSection) {
    EXPECT_EQ(written("[A]\r\na=1\r\n; about B\r\n\r\n[B]\r\nb=2\r\n", "A", "n", "v"),
              "[A]\r\na=1\r\nn=v\r\n; about B\r\n\r\n[B]\r\nb=2\r\n");
    EXPECT_EQ(written("[A]\r\n\r\n[B]\r\n", "A", "n", "v"), "[A]\r\nn=v\r\n\r\n[B]\r\n");
    EXPECT_EQ(written("[A]\r\na=1\r\n", "A", "n", "v"), "[A]\r\na=1\r\nn=v\r\n");
}

TEST(IniWrite, LineWithoutLineEndGetsCrLfBeforeAnInsertion) {
    EXPECT_EQ(written("[A]", "A", "n", "v"), "[A]\r\nn=v\r\n");
    EXPECT_EQ(written("[A]\na=1", "A", "n", "v"), "[A]\na=1\r\nn=v\r\n");
    EXPECT_EQ(written("[B]\nb=1", "A", "n", "v"), "[B]\nb=1\r\n[A]\r\nn=v\r\n");
}

TEST(IniWrite, NewSectionGoesAtTheEnd) {
    EXPECT_EQ(written("", "PARAM", "port", "4"), "[PARAM]\r\nport=4\r\n");
    EXPECT_EQ(written("[A]\r\na=1\r\n\r\n", "B", "b", "2"), "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n");
}

TEST(IniWrite, DuplicatesOnlyTheFirstIsWritten) {
    EXPECT_EQ(written("[S]\r\nk=1\r\nk=2\r\n", "S", "k", "3"), "[S]\r\nk=3\r\nk=2\r\n");
    EXPECT_EQ(written("[S]\r\na=1\r\n[S]\r\nk=2\r\n", "S", "k", "3"),
              "[S]\r\na=1\r\nk=3\r\n[S]\r\nk=2\r\n");
}

TEST(IniWrite, CommentsAndKeylessLinesAreNeverReplaced) {
    EXPECT_EQ(written("[S]\r\n;k=1\r\nk\r\n", "S", "k", "2"), "[S]\r\nk=2\r\n;k=1\r\nk\r\n");
}

struct RoundTripRow {
    const char* name;
    std::string value;
    std::string read_back;
};

std::ostream& operator<<(std::ostream& os, const RoundTripRow& row) {
    return os << row.name;
}

class IniRoundTrip : public ::testing::TestWithParam<RoundTripRow> {};

TEST_P(IniRoundTrip, ReadsBackWhatWasWritten) {
    auto ini = IniFile::parse("[S]\r\nk=old\r\nnext=1\r\n");
    ini.set_value("S", "k", GetParam().value);
    const auto again = IniFile::parse(ini.bytes());
    EXPECT_EQ(again.value("S", "k"), GetParam().read_back);
    EXPECT_EQ(again.value("S", "next"), "1");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IniRoundTrip,
    ::testing::Values(
        RoundTripRow{"Plain", "ATDP", "ATDP"}, RoundTripRow{"Empty", "", ""},
        RoundTripRow{"Cyrillic", "\xC0\xF0\xE8\xE0\xEB", "\xC0\xF0\xE8\xE0\xEB"},
        RoundTripRow{"LeadingAndTrailingBlanks", "  x ", "  x "},
        RoundTripRow{"OnlyBlanks", "   ", "   "}, RoundTripRow{"QuotedText", "\"q\"", "\"q\""},
        RoundTripRow{"SingleQuoted", "'q'", "'q'"}, RoundTripRow{"InnerQuote", "a\"b", "a\"b"},
        RoundTripRow{"Semicolon", ";x", ";x"}, RoundTripRow{"BracketAndEquals", "[x]=y", "[x]=y"},
        RoundTripRow{"LineBreakCutsTheValue", "ab\r\n[S]\r\nk=evil", "ab"},
        RoundTripRow{"NulCutsTheValue", "ab\0cd"s, "ab"},
        RoundTripRow{"Long", std::string(5000, 'y'), std::string(5000, 'y')}),
    [](const auto& info) { return std::string(info.param.name); });

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

mode_t mode_of(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

class IniSave : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        // Open to an unprivileged child, which must be able to reach the files.
        ::chmod(dir_.c_str(), 0755);
    }
    std::string path(const char* name) const { return dir_ + "/" + name; }

    QTemporaryDir tmp_;
    std::string dir_ = tmp_.path().toStdString();
    IniFile doc_ = IniFile::parse("[PARAM]\r\nport=4\r\n");
};

TEST_F(IniSave, CreatesANewFileWithTheUmaskMode) {
    const mode_t old_mask = ::umask(027);
    ASSERT_FALSE(doc_.save(path("zvonmat.ini")));
    ::umask(old_mask);
    EXPECT_EQ(read_file(path("zvonmat.ini")), "[PARAM]\r\nport=4\r\n");
    EXPECT_EQ(mode_of(path("zvonmat.ini")), 0640u);
    EXPECT_THAT(entries(dir_), ElementsAre("zvonmat.ini"));
}

TEST_F(IniSave, ReplacesAnExistingFileKeepingItsMode) {
    write_file(path("a.ini"), "[PARAM]\r\nport=1\r\n; keep\r\n");
    ::chmod(path("a.ini").c_str(), 0604);
    auto ini = IniFile::load(path("a.ini"));
    ini.set_value("PARAM", "port", "2");
    ASSERT_FALSE(ini.save(path("a.ini")));
    EXPECT_EQ(read_file(path("a.ini")), "[PARAM]\r\nport=2\r\n; keep\r\n");
    EXPECT_EQ(mode_of(path("a.ini")), 0604u);
    EXPECT_THAT(entries(dir_), ElementsAre("a.ini"));
}

TEST_F(IniSave, FollowsASymbolicLinkToItsTarget) {
    ::mkdir(path("real").c_str(), 0755);
    write_file(path("real/t.ini"), "old");
    ASSERT_EQ(::symlink("real/t.ini", path("link.ini").c_str()), 0);
    ASSERT_FALSE(doc_.save(path("link.ini")));
    EXPECT_TRUE(std::filesystem::is_symlink(path("link.ini")));
    EXPECT_EQ(read_file(path("real/t.ini")), doc_.bytes());
    EXPECT_THAT(entries(path("real")), ElementsAre("t.ini"));
}

TEST_F(IniSave, MissingDirectoryFailsWithThePath) {
    const std::string target = path("no/such/dir/zvonmat.ini");
    EXPECT_EQ(doc_.save(target), std::errc::no_such_file_or_directory);
}

TEST_F(IniSave, ADirectoryInTheWayFailsAndStaysIntact) {
    ::mkdir(path("zvonmat.ini").c_str(), 0755);
    EXPECT_EQ(doc_.save(path("zvonmat.ini")), std::errc::is_a_directory);
    EXPECT_TRUE(std::filesystem::is_directory(path("zvonmat.ini")));
    EXPECT_THAT(entries(dir_), ElementsAre("zvonmat.ini"));
}

TEST_F(IniSave, ReadOnlyFileIsNeverReplaced) {
    write_file(path("ro.ini"), "[PARAM]\r\nport=1\r\n");
    // The directory would let the file be replaced by a rename; only the file's mode forbids it.
    ::chmod(dir_.c_str(), 0777);
    ::chmod(path("ro.ini").c_str(), 0444);
    const std::string target = path("ro.ini");
    EXPECT_TRUE(run_in_child([&] { EXPECT_EQ(doc_.save(target), std::errc::permission_denied); }));
    EXPECT_EQ(read_file(target), "[PARAM]\r\nport=1\r\n");
    EXPECT_THAT(entries(dir_), ElementsAre("ro.ini"));
}

TEST_F(IniSave, ReadOnlyDirectoryFails) {
    ::mkdir(path("ro").c_str(), 0555);
    const std::string target = path("ro/zvonmat.ini");
    EXPECT_TRUE(run_in_child([&] { EXPECT_EQ(doc_.save(target), std::errc::permission_denied); }));
    EXPECT_TRUE(entries(path("ro")).empty());
}

// A directory that takes no new entries (a shared folder) holding files that may be written: the
// file is rewritten in place, through a link too, and keeps its contents when that fails.
TEST_F(IniSave, ReadOnlyDirectoryRewritesAWritableFileInPlace) {
    struct Row {
        const char* name;
        const char* save_as;  // in the writable directory, or "ro/..."
        std::string bytes;
        mode_t file_mode;
        rlim_t size_limit;
        std::errc error;  // std::errc{} when the save succeeds
    };
    const std::string old_bytes = "[PARAM]\r\nport=1\r\n; keep\r\n";
    const std::vector<Row> rows = {
        {"Shorter", "ro/a.ini", "[PARAM]\r\n", 0604, RLIM_INFINITY, {}},
        {"Longer", "ro/a.ini", old_bytes + "more=2\r\n", 0660, RLIM_INFINITY, {}},
        {"ThroughALink", "link.ini", "new", 0644, RLIM_INFINITY, {}},
        {"CutShortKeepsTheOld", "ro/a.ini", kBig, 0644, 4096, std::errc::file_too_large},
        {"ReadOnlyFileToo", "ro/a.ini", "new", 0444, RLIM_INFINITY, std::errc::permission_denied},
    };
    ::mkdir(path("ro").c_str(), 0755);
    ASSERT_EQ(::symlink("ro/a.ini", path("link.ini").c_str()), 0);
    const std::string file = path("ro/a.ini");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ::chmod(path("ro").c_str(), 0755);
        write_file(file, old_bytes);
        ::chmod(file.c_str(), row.file_mode);
        ::chmod(path("ro").c_str(), 0555);
        struct stat before {};
        ::stat(file.c_str(), &before);
        const std::string target = path(row.save_as);
        EXPECT_TRUE(run_in_child(
            [&] {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{row.size_limit, row.size_limit};
                ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
                PermissionsApply bound;
                EXPECT_EQ(platform::replace_file(target, row.bytes), row.error);
            },
            As::Self));
        const std::string now = read_file(file);
        EXPECT_TRUE(now == (row.error == std::errc{} ? row.bytes : old_bytes)) << now.size();
        struct stat after {};
        ::stat(file.c_str(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode & 07777, row.file_mode);
        EXPECT_THAT(entries(path("ro")), ElementsAre("a.ini"));
        EXPECT_TRUE(std::filesystem::is_symlink(path("link.ini")));
    }
    ::chmod(path("ro").c_str(), 0755);
}

TEST_F(IniSave, FailureWhileWritingKeepsTheOldFileAndLeavesNoTemporary) {
    // A file-size limit makes write() fail half-way, for root as well.
    write_file(path("a.ini"), "[PARAM]\r\nport=1\r\n");
    const auto big = IniFile::parse("[PARAM]\r\nfnt=" + kBig + "\r\n");
    const std::string target = path("a.ini");
    EXPECT_TRUE(run_in_child(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4096, 4096};
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
            EXPECT_EQ(big.save(target), std::errc::file_too_large);
        },
        As::Self));
    EXPECT_EQ(read_file(target), "[PARAM]\r\nport=1\r\n");
    EXPECT_THAT(entries(dir_), ElementsAre("a.ini"));
}

TEST_F(IniSave, LoadingReadsBytesAsTheyAre) {
    const std::string bytes = "[S]\nk=1\r\n\0\x1A\xFF"s + kBig;
    write_file(path("b.ini"), bytes);
    EXPECT_EQ(IniFile::load(path("b.ini")).bytes(), bytes);
    EXPECT_EQ(IniFile::load(path("missing.ini")).bytes(), "");
    EXPECT_EQ(IniFile::load(dir_).bytes(), "");
}

TEST_F(IniSave, LoadingAFifoDoesNotBlock) {
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0644), 0);
    EXPECT_EQ(IniFile::load(path("fifo")).bytes(), "");
}

TEST_F(IniSave, LoadForUpdateRefusesWhatItCannotRead) {
    const auto missing = IniFile::load_for_update(path("missing.ini"));
    EXPECT_EQ(missing.ini.bytes(), "");
    EXPECT_FALSE(missing.error);
    EXPECT_EQ(IniFile::load_for_update(dir_).error, std::errc::is_a_directory);
    write_file(path("wo.ini"), "[PARAM]\r\nport=1\r\n");
    ::chmod(path("wo.ini").c_str(), 0222);
    const std::string target = path("wo.ini");
    EXPECT_TRUE(run_in_child(
        [&] { EXPECT_EQ(IniFile::load_for_update(target).error, std::errc::permission_denied); }));
}

}  // namespace
