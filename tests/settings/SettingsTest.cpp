#include "settings/Settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>

#include "platform/Error.h"
#include "settings/FileNames.h"
#include "support/AsUser.h"
#include "support/FileContents.h"

namespace {

using namespace std::string_literals;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

// The file's defaults differ from the built-in values in three fields.
TSettings defaults() {
    TSettings s;
    s.dial_prefix = "";
    s.speaker_min = "L0";
    s.speaker_max = "L3";
    return s;
}

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        ::chmod(dir_.c_str(), 0755);
    }
    void write(std::string_view bytes) { write_file(path_, bytes); }
    std::string contents() const { return file_contents(path_); }
    TSettings read(std::string_view bytes) {
        write(bytes);
        return read_settings(path_);
    }
    std::size_t files_in_dir() const { return entry_names(dir_).size(); }

    QTemporaryDir tmp_;
    std::string dir_ = tmp_.path().toStdString();
    std::string path_ = settings_path(dir_, "ivan");
};

TEST_F(SettingsFile, NoFileGivesTheDefaultsAndCreatesNothing) {
    EXPECT_EQ(read_settings(path_), defaults());
    EXPECT_EQ(files_in_dir(), 0u);
}

TEST_F(SettingsFile, EmptyFileOrOtherSectionGivesTheDefaults) {
    EXPECT_EQ(read(""), defaults());
    EXPECT_EQ(read("[OTHER]\r\nport=2\r\n"), defaults());
}

TEST_F(SettingsFile, ReadsEveryKey) {
    const TSettings s = read(
        "[PARAM]\r\nport=2\r\nton_p=ATDT\r\nwait=45\r\npref_=8w\r\ninit=AT&F\r\nn_run=9\r\n"
        "busy_=ZANYATO\r\ndial_=NET GUDKA\r\nfnt=\xD2\xE0\xE9\xEC\xF1\r\ncountr=0\r\n"
        "l_min=ATL1\r\nl_max=ATL2\r\n");
    TSettings want;
    want.com_port = 2;
    want.dial_command = "ATDT";
    want.wait_seconds = 45;
    want.dial_prefix = "8w";
    want.init_command = "AT&F";
    want.max_attempts = 9;
    want.busy_reply = "ZANYATO";
    want.no_tone_reply = "NET GUDKA";
    want.font_name = "\xD2\xE0\xE9\xEC\xF1";
    want.font_charset = 0;
    want.speaker_min = "ATL1";
    want.speaker_max = "ATL2";
    EXPECT_EQ(s, want);
}

TEST_F(SettingsFile, NumbersFollowTheIntegerRuleAndFieldWidths) {
    EXPECT_EQ(read("[PARAM]\nport=0x3\n").com_port, 3);
    EXPECT_EQ(read("[PARAM]\nport=260\n").com_port, 4);
    EXPECT_EQ(read("[PARAM]\nport=-1\n").com_port, 255);
    EXPECT_EQ(read("[PARAM]\nport=$FF\n").com_port, 255);
    EXPECT_EQ(read("[PARAM]\nn_run=257\n").max_attempts, 1);
    EXPECT_EQ(read("[PARAM]\nn_run=\n").max_attempts, 5);
    EXPECT_EQ(read("[PARAM]\nwait=abc\n").wait_seconds, 30);
    EXPECT_EQ(read("[PARAM]\nwait=-5\n").wait_seconds, -5);
    EXPECT_EQ(read("[PARAM]\nwait=0x\n").wait_seconds, 30);
    EXPECT_EQ(read("[PARAM]\nwait=2147483648\n").wait_seconds, 30);
    EXPECT_EQ(read("[PARAM]\ncountr=99999999999999999999\n").font_charset, 204);
    EXPECT_EQ(read("[PARAM]\ncountr=0xFFFFFFFF\n").font_charset, -1);
    EXPECT_EQ(read("[PARAM]\ncountr=460\n").font_charset, 460);
}

TEST_F(SettingsFile, TextsAreCutToTheirLimits) {
    const TSettings s = read(
        "[PARAM]\r\nbusy_=ABCDEFGHIJKLMNOPQRST\r\ndial_=" + std::string(20, 'D') +
        "\r\nl_min=" + std::string(12, 'm') + "\r\nl_max=" + std::string(11, 'M') +
        "\r\nfnt=" + std::string(100 * 1024, 'f') + "\r\ninit=" + std::string(2000, 'i') + "\r\n");
    EXPECT_EQ(s.busy_reply, "ABCDEFGHIJ");
    EXPECT_EQ(s.no_tone_reply, std::string(15, 'D'));
    EXPECT_EQ(s.speaker_min, std::string(10, 'm'));
    EXPECT_EQ(s.speaker_max, std::string(10, 'M'));
    EXPECT_EQ(s.font_name, std::string(1023, 'f'));
    EXPECT_EQ(s.init_command, std::string(1023, 'i'));
}

TEST_F(SettingsFile, BadInputGivesDefaultsAndCuts) {
    const std::string big(100 * 1024, 'x');
    const TSettings s = read("\0\0\xFF[PARAM\r\nport=1\r\n[PARAM]\r\nport\r\nwait 40\r\n"s + big +
                             "\r\nton_p=AT\0DT\r\npref_=\0\r\nn_run=3\r\nN_RUN=7\r\n"s +
                             "busy_=" + big + "\r\n[param]\r\ninit=ATX\r\nport=2\r\n");
    TSettings want = defaults();
    want.dial_command = "AT";
    want.max_attempts = 3;
    want.busy_reply = "xxxxxxxxxx";
    EXPECT_EQ(s, want);
}

TEST_F(SettingsFile, ReadingNeverWrites) {
    write("[PARAM]\nport=2");
    read_settings(path_);
    EXPECT_EQ(contents(), "[PARAM]\nport=2");
}

TEST_F(SettingsFile, NewFileHasAllTwelveKeysInOrder) {
    write_settings(defaults(), path_);
    EXPECT_EQ(contents(),
              "[PARAM]\r\nport=4\r\nton_p=ATDP\r\nwait=30\r\npref_=\r\ninit=ATZ\r\nn_run=5\r\n"
              "busy_=BUSY\r\ndial_=NO DIALTONE\r\nfnt=Arial\r\ncountr=204\r\nl_min=L0\r\n"
              "l_max=L3\r\n");
    EXPECT_EQ(files_in_dir(), 1u);
}

TEST_F(SettingsFile, SaveReplacesInPlaceAndKeepsEverythingElse) {
    write(
        "; settings\n[OTHER]\nport=77\n\n[PARAM]\nwait=45\r\nextra=keep me\nPORT = 260\n"
        "countr=-3\n\n[TAIL]\r\nx=1");
    TSettings s = read_settings(path_);
    EXPECT_EQ(s.com_port, 4);
    write_settings(s, path_);
    EXPECT_EQ(contents(),
              "; settings\n[OTHER]\nport=77\n\n[PARAM]\nwait=45\r\nextra=keep me\nport=4\r\n"
              "countr=-3\r\nton_p=ATDP\r\npref_=\r\ninit=ATZ\r\nn_run=5\r\nbusy_=BUSY\r\n"
              "dial_=NO DIALTONE\r\nfnt=Arial\r\nl_min=L0\r\nl_max=L3\r\n\n[TAIL]\r\nx=1");
    EXPECT_EQ(read_settings(path_), s);
    EXPECT_EQ(files_in_dir(), 1u);
}

TEST_F(SettingsFile, CutTextIsWrittenBackCut) {
    write("[PARAM]\r\nbusy_=ABCDEFGHIJKLMNOPQRST\r\n");
    write_settings(read_settings(path_), path_);
    EXPECT_NE(contents().find("\r\nbusy_=ABCDEFGHIJ\r\n"), std::string::npos);
}

TEST_F(SettingsFile, RoundTripKeepsEveryValue) {
    TSettings s;
    s.com_port = 255;
    s.wait_seconds = INT32_MIN;
    s.dial_prefix = " 9w ";
    s.init_command = "\"ATZ\"";
    s.font_name = "\xD2\xE0\xE9\xEC\xF1 New";
    s.font_charset = -1;
    s.max_attempts = 0;
    write_settings(s, path_);
    EXPECT_EQ(read_settings(path_), s);
}

TEST_F(SettingsFile, WriteFailureNamesThePath) {
    const std::string missing = settings_path(dir_ + "/no/such", "");
    EXPECT_THAT([&] { write_settings(defaults(), missing); },
                ThrowsMessage<platform::Error>(StrEq("Unable to write to " + missing)));
}

TEST_F(SettingsFile, ReadOnlyFileIsLeftAlone) {
    write("[PARAM]\r\nport=1\r\n");
    // The directory would let the file be replaced by a rename; only the file's mode forbids it.
    ::chmod(dir_.c_str(), 0777);
    ::chmod(path_.c_str(), 0444);
    // Root writes read-only files, so the attempt is made as nobody in a child process.
    EXPECT_TRUE(support::run_in_child([&] {
        EXPECT_THAT([&] { write_settings(defaults(), path_); },
                    ThrowsMessage<platform::Error>(StrEq("Unable to write to " + path_)));
    }));
    EXPECT_EQ(contents(), "[PARAM]\r\nport=1\r\n");
    EXPECT_EQ(files_in_dir(), 1u);
}

TEST_F(SettingsFile, ADirectoryInPlaceOfTheFileIsAnError) {
    std::filesystem::create_directory(path_);
    EXPECT_THROW(write_settings(defaults(), path_), platform::Error);
    EXPECT_TRUE(std::filesystem::is_directory(path_));
}

}  // namespace
