#include "settings/QuickList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "platform/Error.h"
#include "platform/Files.h"
#include "support/FileContents.h"

namespace {

using Entries = std::vector<std::string>;

TEST(QuickListFile, ReadsEveryKindOfLineEnd) {
    using namespace std::string_view_literals;
    const struct {
        const char* name;
        std::string_view bytes;
        Entries entries;
    } kRows[] = {
        {"crlf", "333\r\n222\r\n"sv, {"333", "222"}},
        {"lf", "333\n222\n"sv, {"333", "222"}},
        {"cr", "333\r222\r"sv, {"333", "222"}},
        {"mixed", "1\r\n2\n3\r4"sv, {"1", "2", "3", "4"}},
        {"no final line end", "333\r\n222"sv, {"333", "222"}},
        {"empty lines stay", "1\r\n\r\n\n2\r\n"sv, {"1", "", "", "2"}},
        {"lf cr is two ends", "1\n\r2"sv, {"1", "", "2"}},
        {"nul ends the text", "1\r\n2\0003\r\n"sv, {"1", "2"}},
        {"empty file", ""sv, {}},
        {"only a line end", "\r\n"sv, {""}},
    };
    for (const auto& row : kRows) {
        EXPECT_EQ(parse_quick_list(row.bytes), row.entries) << row.name;
    }
}

class QuickListFiles : public testing::Test {
  protected:
    std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }
    // The list as the window loads it: the file's bytes, none when it cannot be read.
    static Entries read(const std::string& file) {
        return parse_quick_list(platform::read_whole_file(file).bytes);
    }
    QTemporaryDir dir_;
};

TEST_F(QuickListFiles, WritesCrLfAfterEveryEntryAndReadsItBack) {
    const std::string file = path("zvonmat.lst");
    write_quick_list(file, {"333", "222", ""});
    EXPECT_EQ(file_contents(file), "333\r\n222\r\n\r\n");
    EXPECT_EQ(read(file), (Entries{"333", "222", ""}));

    write_quick_list(file, {});
    EXPECT_EQ(file_contents(file), "");
}

TEST_F(QuickListFiles, NeverWritesALineBreakInsideAnEntry) {
    const std::string file = path("zvonmat.lst");
    write_quick_list(file, {"12\r\n34", std::string("5\0006", 3)});
    EXPECT_EQ(read(file), (Entries{"12??34", "5?6"}));
}

TEST_F(QuickListFiles, AMissingFileIsAnEmptyListAndAnUnwritableOneIsReported) {
    EXPECT_TRUE(read(path("none.lst")).empty());
    EXPECT_TRUE(read(dir_.path().toStdString()).empty());  // a directory

    const std::string blocked = path("no-such-dir/zvonmat.lst");
    EXPECT_THAT([&] { write_quick_list(blocked, {"1"}); },
                testing::ThrowsMessage<platform::Error>(testing::StrEq(
                    "Cannot create file " + blocked + ": No such file or directory")));
    EXPECT_FALSE(std::filesystem::exists(blocked));
}

}  // namespace
