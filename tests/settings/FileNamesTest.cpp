#include "settings/FileNames.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

namespace {

struct FileNameRow {
    const char* name;
    std::string current_dir;
    std::string user_key;  // Windows-1251
    std::string extension;
    std::string expected;
};

std::ostream& operator<<(std::ostream& os, const FileNameRow& row) {
    return os << row.name;
}

class DataFileName : public ::testing::TestWithParam<FileNameRow> {};

TEST_P(DataFileName, JoinsDirectoryPrefixKeyAndExtension) {
    const auto& row = GetParam();
    EXPECT_EQ(data_file_path(work_dir_from(row.current_dir), row.user_key, row.extension),
              row.expected);
}

const std::string kDeep = "/" + std::string(200, 'd') + "/" + std::string(200, 'e');

INSTANTIATE_TEST_SUITE_P(
    Rows, DataFileName,
    ::testing::Values(FileNameRow{"WithKey", "/work", "ivan", ".ini", "/work/zvonmativan.ini"},
                      FileNameRow{"EmptyKey", "/work", "", ".ini", "/work/zvonmat.ini"},
                      FileNameRow{"RootDirectory", "/", "", ".ini", "/zvonmat.ini"},
                      FileNameRow{"RootDirectoryWithKey", "/", "ivan", ".lst", "/zvonmativan.lst"},
                      FileNameRow{"TrailingSlash", "/work/", "", ".jur", "/work/zvonmat.jur"},
                      FileNameRow{"PhoneBookNames", "/w", "k", "._tf", "/w/zvonmatk._tf"},
                      FileNameRow{"LongDirectoryIsNotCut", kDeep, "", "._fm",
                                  kDeep + "/zvonmat._fm"},
                      FileNameRow{"Utf8DirectoryKeptAsIs", "/\xD0\xB4\xD0\xBE\xD0\xBC", "", ".ini",
                                  "/\xD0\xB4\xD0\xBE\xD0\xBC/zvonmat.ini"},
                      FileNameRow{"CyrillicKeyBecomesUtf8", "/work", "\xC8\xE2\xE0\xED", ".ini",
                                  "/work/zvonmat\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD.ini"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataFileName, NamedHelpersUseTheirExtensions) {
    EXPECT_EQ(settings_path("/w", "u"), "/w/zvonmatu.ini");
    EXPECT_EQ(quick_list_path("/w", "u"), "/w/zvonmatu.lst");
    EXPECT_EQ(journal_path("/w", "u"), "/w/zvonmatu.jur");
}

TEST(CurrentWorkDir, IsTheCurrentDirectory) {
    const auto saved = std::filesystem::current_path();
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const auto dir = std::filesystem::canonical(tmp.path().toStdString());
    std::filesystem::current_path(dir);
    EXPECT_EQ(current_work_dir(), dir.native());
    std::filesystem::current_path("/");
    EXPECT_EQ(current_work_dir(), "");
    std::filesystem::current_path(saved);
}

}  // namespace
