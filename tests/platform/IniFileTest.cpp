#include "platform/IniFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <functional>

#include "platform/Files.h"
#include "support/AsUser.h"
#include "support/FileContents.h"
#include "support/PermissionsApply.h"

namespace {

using platform::IniFile;
using platform::parse_profile_int;
using platform::read_profile_string;
using support::As;
using support::run_in_child;
using ::testing::ElementsAre;
using namespace std::string_literals;

const std::string kBig(100 * 1024, 'x');

TEST(IniLookup, FindsTheValueTheClassicWay) {
    const struct {
        const char* name;
        std::string file, section, key;
        std::optional<std::string> expected;
    } rows[] = {
        {"Plain", "[PARAM]\r\nport=3\r\n", "PARAM", "port", "3"},
        {"SectionNameIgnoresCase", "[param]\r\nport=3\r\n", "PARAM", "port", "3"},
        {"KeyNameIgnoresCase", "[PARAM]\r\nPoRt=3\r\n", "PARAM", "port", "3"},
        {"CyrillicNamesIgnoreCase", "[\xCF\xC0\xD0\xC0\xCC]\r\n\xCA\xCB\xDE\xD7=1\r\n",
         "\xEF\xE0\xF0\xE0\xEC", "\xEA\xEB\xFE\xF7", "1"},
        {"BlanksAroundKeyAndValue", "[PARAM]\r\n \t port \t=\t ATZ  \r\n", "PARAM", "port", "ATZ"},
        {"BlanksInsideBrackets", "  [ PARAM ]  \r\nport=1\r\n", "PARAM", "port", "1"},
        {"HeaderWithTrailingText", "[PARAM] ; settings\r\nport=1\r\n", "PARAM", "port", "1"},
        {"DoubleQuotesRemoved", "[S]\r\nk=\" a b \"\r\n", "S", "k", " a b "},
        {"SingleQuotesRemoved", "[S]\r\nk='x'\r\n", "S", "k", "x"},
        {"MismatchedQuotesKept", "[S]\r\nk=\"x'\r\n", "S", "k", "\"x'"},
        {"LoneQuoteKept", "[S]\r\nk=\"\r\n", "S", "k", "\""},
        {"InnerQuotesKept", "[S]\r\nk=a\"b\"c\r\n", "S", "k", "a\"b\"c"},
        {"EmptyValueIsPresent", "[S]\r\nk=\r\n", "S", "k", ""},
        {"EqualsInValue", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
        {"SemicolonInValueKept", "[S]\r\nk=1 ; note\r\n", "S", "k", "1 ; note"},
        {"MissingKey", "[S]\r\nother=1\r\n", "S", "k", std::nullopt},
        {"MissingSection", "[T]\r\nk=1\r\n", "S", "k", std::nullopt},
        {"KeyOfAnotherSection", "[S]\r\na=1\r\n[T]\r\nk=1\r\n", "S", "k", std::nullopt},
        {"KeyBeforeAnySection", "k=1\r\n[S]\r\n", "S", "k", std::nullopt},
        {"CommentIsNoKey", "[S]\r\n;k=1\r\n", "S", "k", std::nullopt},
        {"IndentedCommentIsNoKey", "[S]\r\n  ;k=1\r\n", "S", "k", std::nullopt},
        {"LineWithoutEqualsIsNoKey", "[S]\r\nk\r\nk 1\r\n", "S", "k", std::nullopt},
        {"HeaderWithoutBracketIsNoSection", "[S\r\nk=1\r\n", "S", "k", std::nullopt},
        {"FirstDuplicateKeyWins", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "1"},
        {"FirstDuplicateSectionWins", "[S]\r\nk=1\r\n[s]\r\nk=2\r\n", "S", "k", "1"},
        {"LaterDuplicateSectionIgnored", "[S]\r\na=1\r\n[S]\r\nk=2\r\n", "S", "k", std::nullopt},
        {"ValueStopsAtNul", "[S]\r\nk=ab\0cd\r\n"s, "S", "k", "ab"},
        {"NulBeforeEqualsIsNoKey", "[S]\r\nk\0=1\r\n"s, "S", "k", std::nullopt},
        {"LfLineEnds", "[S]\nk=1\nj=2\n", "S", "j", "2"},
        {"CrCrLfLineEnds", "[S]\r\r\nk=1\r\r\n", "S", "k", "1"},
        {"LastLineWithoutLineEnd", "[S]\r\nk=1", "S", "k", "1"},
        {"LoneCrDoesNotEndALine", "[S]\rk=1\r\n", "S", "k", std::nullopt},
        {"HugeLineBeforeKey", "[S]\r\njunk=" + kBig + "\r\n" + kBig + "\r\nk=1\r\n", "S", "k", "1"},
        {"EmptyDocument", "", "S", "k", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IniFile::parse(row.file).value(row.section, row.key), row.expected);
    }
}

TEST(IniLookup, ReadProfileStringCutsTo1023BytesAndFallsBack) {
    auto ini = IniFile::parse("[S]\r\nbig=" + kBig + "\r\nempty=\r\n");
    EXPECT_EQ(read_profile_string(ini, "S", "big", "d"), std::string(1023, 'x'));
    EXPECT_EQ(read_profile_string(ini, "S", "empty", "d"), "");
    EXPECT_EQ(read_profile_string(ini, "S", "none", "d"), "d");
    EXPECT_EQ(read_profile_string(ini, "T", "big", "d"), "d");
    EXPECT_EQ(read_profile_string("/nonexistent-dir/x.ini", "S", "k", "dflt"), "dflt");
}

TEST(ProfileInt, FollowsTheRule) {
    const struct {
        const char* name;
        std::string text;
        std::int32_t expected;  // with fallback -77
    } rows[] = {{"Decimal", "30", 30},
                {"Zero", "0", 0},
                {"Negative", "-1", -1},
                {"Plus", "+7", 7},
                {"LeadingZeros", "007", 7},
                {"Max", "2147483647", INT32_MAX},
                {"Min", "-2147483648", INT32_MIN},
                {"AboveMax", "2147483648", -77},
                {"BelowMin", "-2147483649", -77},
                {"FarTooLong", "99999999999999999999999", -77},
                {"HexLower", "0x3", 3},
                {"HexUpperX", "0X1f", 31},
                {"HexAllOnesIsMinusOne", "0xFFFFFFFF", -1},
                {"HexSignBit", "0x80000000", INT32_MIN},
                {"HexNineDigits", "0x000000001", -77},
                {"HexTooBig", "0x100000000", -77},
                {"HexZero", "0x0", 0},
                {"ZeroXAlone", "0x", -77},
                {"ZeroXNotHex", "0xg", -77},
                {"Dollar", "$10", 16},
                {"DollarAllOnes", "$FFFFFFFF", -1},
                {"DollarAlone", "$", -77},
                {"DollarSigned", "$-1", -77},
                {"SignedHex", "-0x5", -77},
                {"Letters", "abc", -77},
                {"Empty", "", -77},
                {"TrailingJunk", "12abc", -77},
                {"LeadingBlank", " 5", -77},
                {"TrailingBlank", "5 ", -77},
                {"SignAlone", "-", -77},
                {"DoubleSign", "+-5", -77},
                {"Exponent", "1e3", -77},
                {"Fraction", "1.5", -77},
                {"EmbeddedNul", "1\0002"s, -77}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parse_profile_int(row.text, -77), row.expected);
    }
}

TEST(IniWrite, PutsTheValueInItsPlaceKeepingEveryOtherByte) {
    const std::string tail = "junk" + "\0\xFF"s + "\n" + kBig + "\r\n[Z]\r\nz=9";
    const struct {
        const char* name;
        std::string before, section, key, value, after;
    } rows[] = {
        {"ReplacesTheLine", "; head\n[A]\r\nx = 1 \r\n\r\n[PARAM]\nwait=5\nport = 2  \n" + tail,
         "param", "port", "4", "; head\n[A]\r\nx = 1 \r\n\r\n[PARAM]\nwait=5\nport=4\r\n" + tail},
        {"NewKeyAfterTheLastKeyOfItsSection", "[A]\r\na=1\r\n; about B\r\n\r\n[B]\r\nb=2\r\n", "A",
         "n", "v", "[A]\r\na=1\r\nn=v\r\n; about B\r\n\r\n[B]\r\nb=2\r\n"},
        {"NewKeyInAnEmptySection", "[A]\r\n\r\n[B]\r\n", "A", "n", "v",
         "[A]\r\nn=v\r\n\r\n[B]\r\n"},
        {"NewKeyAtTheEnd", "[A]\r\na=1\r\n", "A", "n", "v", "[A]\r\na=1\r\nn=v\r\n"},
        {"CrLfAfterAnUnendedHeader", "[A]", "A", "n", "v", "[A]\r\nn=v\r\n"},
        {"CrLfAfterAnUnendedKey", "[A]\na=1", "A", "n", "v", "[A]\na=1\r\nn=v\r\n"},
        {"CrLfBeforeANewSection", "[B]\nb=1", "A", "n", "v", "[B]\nb=1\r\n[A]\r\nn=v\r\n"},
        {"NewSectionInAnEmptyFile", "", "PARAM", "port", "4", "[PARAM]\r\nport=4\r\n"},
        {"NewSectionAtTheEnd", "[A]\r\na=1\r\n\r\n", "B", "b", "2",
         "[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n"},
        {"OnlyTheFirstDuplicateKey", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "3",
         "[S]\r\nk=3\r\nk=2\r\n"},
        {"OnlyTheFirstDuplicateSection", "[S]\r\na=1\r\n[S]\r\nk=2\r\n", "S", "k", "3",
         "[S]\r\na=1\r\nk=3\r\n[S]\r\nk=2\r\n"},
        {"AfterAByteOrderMark", "\xEF\xBB\xBF[PARAM]\r\nport=3\r\n", "PARAM", "port", "4",
         "\xEF\xBB\xBF[PARAM]\r\nport=4\r\n"},
        {"NeverACommentOrAKeylessLine", "[S]\r\n;k=1\r\nk\r\n", "S", "k", "2",
         "[S]\r\nk=2\r\n;k=1\r\nk\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto ini = IniFile::parse(row.before);
        ini.set_value(row.section, row.key, row.value);
        EXPECT_EQ(ini.bytes(), row.after);
    }
}

TEST(IniRoundTrip, ReadsBackWhatWasWritten) {
    const struct {
        const char* name;
        std::string value, read_back;
    } rows[] = {{"Plain", "ATDP", "ATDP"},
                {"Empty", "", ""},
                {"Cyrillic", "\xC0\xF0\xE8\xE0\xEB", "\xC0\xF0\xE8\xE0\xEB"},
                {"LeadingAndTrailingBlanks", "  x ", "  x "},
                {"OnlyBlanks", "   ", "   "},
                {"QuotedText", "\"q\"", "\"q\""},
                {"SingleQuoted", "'q'", "'q'"},
                {"InnerQuote", "a\"b", "a\"b"},
                {"Semicolon", ";x", ";x"},
                {"BracketAndEquals", "[x]=y", "[x]=y"},
                {"LineBreakCutsTheValue", "ab\r\n[S]\r\nk=evil", "ab"},
                {"NulCutsTheValue", "ab\0cd"s, "ab"},
                {"Long", std::string(5000, 'y'), std::string(5000, 'y')}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto ini = IniFile::parse("[S]\r\nk=old\r\nnext=1\r\n");
        ini.set_value("S", "k", row.value);
        const auto again = IniFile::parse(ini.bytes());
        EXPECT_EQ(again.value("S", "k"), row.read_back);
        EXPECT_EQ(again.value("S", "next"), "1");
    }
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

    // Runs `body` in a child process of this user whose writes to a file stop at `limit` bytes:
    // write() then fails half-way, for root as well.
    static testing::AssertionResult with_size_limit(rlim_t limit,
                                                    const std::function<void()>& body) {
        return run_in_child(
            [&] {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit file_size{limit, limit};
                ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &file_size), 0);
                body();
            },
            As::Self);
    }

    QTemporaryDir tmp_;
    std::string dir_ = tmp_.path().toStdString();
    IniFile doc_ = IniFile::parse("[PARAM]\r\nport=4\r\n");
};

TEST_F(IniSave, CreatesANewFileWithTheUmaskMode) {
    const mode_t old_mask = ::umask(027);
    ASSERT_FALSE(doc_.save(path("zvonmat.ini")));
    ::umask(old_mask);
    EXPECT_EQ(file_contents(path("zvonmat.ini")), "[PARAM]\r\nport=4\r\n");
    EXPECT_EQ(mode_of(path("zvonmat.ini")), 0640u);
    EXPECT_THAT(entry_names(dir_), ElementsAre("zvonmat.ini"));
}

TEST_F(IniSave, ReplacesAnExistingFileKeepingItsMode) {
    write_file(path("a.ini"), "[PARAM]\r\nport=1\r\n; keep\r\n");
    ::chmod(path("a.ini").c_str(), 0604);
    auto ini = IniFile::load(path("a.ini"));
    ini.set_value("PARAM", "port", "2");
    ASSERT_FALSE(ini.save(path("a.ini")));
    EXPECT_EQ(file_contents(path("a.ini")), "[PARAM]\r\nport=2\r\n; keep\r\n");
    EXPECT_EQ(mode_of(path("a.ini")), 0604u);
    EXPECT_THAT(entry_names(dir_), ElementsAre("a.ini"));
}

TEST_F(IniSave, FollowsASymbolicLinkToItsTarget) {
    ::mkdir(path("real").c_str(), 0755);
    write_file(path("real/t.ini"), "old");
    ASSERT_EQ(::symlink("real/t.ini", path("link.ini").c_str()), 0);
    ASSERT_FALSE(doc_.save(path("link.ini")));
    EXPECT_TRUE(std::filesystem::is_symlink(path("link.ini")));
    EXPECT_EQ(file_contents(path("real/t.ini")), doc_.bytes());
    EXPECT_THAT(entry_names(path("real")), ElementsAre("t.ini"));
}

TEST_F(IniSave, MissingDirectoryFailsWithThePath) {
    const std::string target = path("no/such/dir/zvonmat.ini");
    EXPECT_EQ(doc_.save(target), std::errc::no_such_file_or_directory);
}

TEST_F(IniSave, ADirectoryInTheWayFailsAndStaysIntact) {
    ::mkdir(path("zvonmat.ini").c_str(), 0755);
    EXPECT_EQ(doc_.save(path("zvonmat.ini")), std::errc::is_a_directory);
    EXPECT_TRUE(std::filesystem::is_directory(path("zvonmat.ini")));
    EXPECT_THAT(entry_names(dir_), ElementsAre("zvonmat.ini"));
}

TEST_F(IniSave, ReadOnlyFileIsNeverReplaced) {
    write_file(path("ro.ini"), "[PARAM]\r\nport=1\r\n");
    // The directory would let the file be replaced by a rename; only the file's mode forbids it.
    ::chmod(dir_.c_str(), 0777);
    ::chmod(path("ro.ini").c_str(), 0444);
    const std::string target = path("ro.ini");
    EXPECT_TRUE(run_in_child([&] { EXPECT_EQ(doc_.save(target), std::errc::permission_denied); }));
    EXPECT_EQ(file_contents(target), "[PARAM]\r\nport=1\r\n");
    EXPECT_THAT(entry_names(dir_), ElementsAre("ro.ini"));
}

TEST_F(IniSave, ReadOnlyDirectoryFails) {
    ::mkdir(path("ro").c_str(), 0555);
    const std::string target = path("ro/zvonmat.ini");
    EXPECT_TRUE(run_in_child([&] { EXPECT_EQ(doc_.save(target), std::errc::permission_denied); }));
    EXPECT_TRUE(entry_names(path("ro")).empty());
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
        EXPECT_TRUE(with_size_limit(row.size_limit, [&] {
            PermissionsApply bound;
            EXPECT_EQ(platform::replace_file(target, row.bytes), row.error);
        }));
        const std::string now = file_contents(file);
        EXPECT_TRUE(now == (row.error == std::errc{} ? row.bytes : old_bytes)) << now.size();
        struct stat after {};
        ::stat(file.c_str(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode & 07777, row.file_mode);
        EXPECT_THAT(entry_names(path("ro")), ElementsAre("a.ini"));
        EXPECT_TRUE(std::filesystem::is_symlink(path("link.ini")));
    }
    ::chmod(path("ro").c_str(), 0755);
}

TEST_F(IniSave, FailureWhileWritingKeepsTheOldFileAndLeavesNoTemporary) {
    write_file(path("a.ini"), "[PARAM]\r\nport=1\r\n");
    const auto big = IniFile::parse("[PARAM]\r\nfnt=" + kBig + "\r\n");
    const std::string target = path("a.ini");
    EXPECT_TRUE(
        with_size_limit(4096, [&] { EXPECT_EQ(big.save(target), std::errc::file_too_large); }));
    EXPECT_EQ(file_contents(target), "[PARAM]\r\nport=1\r\n");
    EXPECT_THAT(entry_names(dir_), ElementsAre("a.ini"));
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

// The file layer under every save, in the same kind of scratch directory.
using SaveSafety = IniSave;
using Names = std::vector<std::string>;

TEST_F(SaveSafety, APreparedFileIsUnseenUntilCommittedAndGoesWhenDropped) {
    write_file(path("a"), "old");
    { EXPECT_FALSE(platform::PreparedReplace::prepare(path("a"), "dropped").error()); }
    auto a = platform::PreparedReplace::prepare(path("a"), "new");
    auto b = platform::PreparedReplace::prepare(path("b"), "created");
    EXPECT_EQ(entry_names(dir_), Names{"a"});
    EXPECT_EQ(file_contents(path("a")), "old");
    EXPECT_FALSE(a.commit() || b.commit());
    EXPECT_EQ(file_contents(path("a")) + file_contents(path("b")), "newcreated");
    EXPECT_EQ(entry_names(dir_), (Names{"a", "b"}));
}

// A link in a sticky directory that all may write is followed only where the kernel's
// protected_symlinks rule would: it is ours, or the directory owner's.
TEST_F(SaveSafety, ALinkPlantedInASharedDirectoryIsNeitherReadNorWritten) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to own files as another user";
    }
    constexpr uid_t kRoot = 0, kNobody = 65534;
    const struct {
        uid_t link_owner, dir_owner;
        mode_t dir_mode;
        bool followed;
    } kRows[] = {{kNobody, kRoot, 01777, false},
                 {kNobody, kNobody, 01777, true},
                 {kNobody, kRoot, 0777, true},
                 {kRoot, kNobody, 01777, true}};
    ::mkdir(path("shared").c_str(), 0);
    const std::string link = path("shared/zvonmat.lst");
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << row.link_owner << " " << row.dir_owner);
        write_file(path("secret"), "root only");
        ::chmod(path("shared").c_str(), row.dir_mode);
        ::chown(path("shared").c_str(), row.dir_owner, row.dir_owner);
        ::unlink(link.c_str());
        ASSERT_EQ(::symlink(path("secret").c_str(), link.c_str()), 0);
        ASSERT_EQ(::lchown(link.c_str(), row.link_owner, row.link_owner), 0);
        const auto error =
            row.followed ? std::error_code() : std::make_error_code(std::errc::permission_denied);
        EXPECT_EQ(platform::read_whole_file(link).bytes, row.followed ? "root only" : "");
        EXPECT_EQ(platform::replace_file(link, "new"), error);
        EXPECT_EQ(platform::append_file(link, "+"), error);
        EXPECT_EQ(file_contents(path("secret")), row.followed ? "new+" : "root only");
        EXPECT_EQ(entry_names(path("shared")), Names{"zvonmat.lst"});
    }
}

}  // namespace
