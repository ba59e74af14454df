#include "settings/FileNames.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/WorkDir.h"

namespace {

TEST(DataFileName, JoinsDirectoryPrefixKeyAndExtension) {
    const std::string deep = "/" + std::string(200, 'd') + "/" + std::string(200, 'e');
    const struct {
        const char* name;
        std::string current_dir;
        std::string user_key;  // Windows-1251
        std::string extension;
        std::string expected;
    } rows[] = {
        {"WithKey", "/work", "ivan", ".ini", "/work/zvonmativan.ini"},
        {"EmptyKey", "/work", "", ".ini", "/work/zvonmat.ini"},
        {"RootDirectory", "/", "", ".ini", "/zvonmat.ini"},
        {"RootDirectoryWithKey", "/", "ivan", ".lst", "/zvonmativan.lst"},
        {"TrailingSlash", "/work/", "", ".jur", "/work/zvonmat.jur"},
        {"PhoneBookNames", "/w", "k", "._tf", "/w/zvonmatk._tf"},
        {"LongDirectoryIsNotCut", deep, "", "._fm", deep + "/zvonmat._fm"},
        {"Utf8DirectoryKeptAsIs", "/\xD0\xB4\xD0\xBE\xD0\xBC", "", ".ini",
         "/\xD0\xB4\xD0\xBE\xD0\xBC/zvonmat.ini"},
        {"CyrillicKeyBecomesUtf8", "/work", "\xC8\xE2\xE0\xED", ".ini",
         "/work/zvonmat\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD.ini"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(data_file_path(work_dir_from(row.current_dir), row.user_key, row.extension),
                  row.expected);
    }
}

TEST(DataFileName, NamedHelpersUseTheirExtensions) {
    EXPECT_EQ(settings_path("/w", "u"), "/w/zvonmatu.ini");
    EXPECT_EQ(quick_list_path("/w", "u"), "/w/zvonmatu.lst");
    EXPECT_EQ(journal_path("/w", "u"), "/w/zvonmatu.jur");
}

TEST(CurrentWorkDir, IsTheCurrentDirectory) {
    const zvonmat_test::ScopedWorkDir work;
    EXPECT_EQ(current_work_dir(), std::filesystem::canonical(work.path().toStdString()).native());
    std::filesystem::current_path("/");
    EXPECT_EQ(current_work_dir(), "");
}

}  // namespace
