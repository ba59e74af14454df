#include "windows/HelpFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "platform/Files.h"
#include "support/WorkDir.h"

namespace {

void writeFile(const QString& path, const std::string& bytes) {
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

struct ParseRow {
    const char* name;
    std::string bytes;
    std::map<int, QString> topics;
};

TEST(HelpFileTest, ParsesOneTopicPerContextNumber) {
    const ParseRow kRows[] = {
        {"crlf lines",
         "[2]\r\nPort\r\nrange\r\n[3]\r\nWait\r\n",
         {{2, "Port\nrange"}, {3, "Wait"}}},
        {"lf lines, no final break", "[2]\nPort\n[3]\nWait", {{2, "Port"}, {3, "Wait"}}},
        {"preamble and blank lines around a topic dropped",
         "about\r\n[4]\r\n\r\nPrefix\r\n\r\nInit\r\n\r\n",
         {{4, "Prefix\n\nInit"}}},
        {"first of a twice-numbered topic counts", "[5]\nfirst\n[5]\nsecond\n", {{5, "first"}}},
        {"blanks around a header", "  [6] \nBusy\n", {{6, "Busy"}}},
        {"other bracketed lines are text",
         "[7]\n[x]\n[-1]\n[]\n[9999999999]\n",
         {{7, "[x]\n[-1]\n[]\n[9999999999]"}}},
        {"Windows-1251 text", "[2]\n\xcd\xee\xec\xe5\xf0\n", {{2, QStringLiteral("Номер")}}},
        {"no topics at all", "text\n", {}},
        {"empty file", "", {}},
    };
    for (const ParseRow& row : kRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(HelpFile::parse(row.bytes), row.topics);
    }
}

TEST(HelpFileTest, LooksInTheWorkingDirectoryFirstThenInTheDataDirectory) {
    const zvonmat_test::ScopedWorkDir work;
    QTemporaryDir data;
    const HelpFile help(data.path().toStdString());
    EXPECT_EQ(help.topic(2), QString());  // no file anywhere

    writeFile(data.filePath("zvonmat.hlp"), "[2]\r\ninstalled\r\n");
    EXPECT_EQ(help.topic(2), "installed");
    EXPECT_EQ(help.topic(3), QString());

    QDir(work.path()).mkdir("zvonmat.hlp");  // unreadable as a file: skipped
    EXPECT_EQ(help.topic(2), "installed");
    QDir(work.path()).rmdir("zvonmat.hlp");

    writeFile(work.path("zvonmat.hlp"), "[2]\r\nown\r\n");
    EXPECT_EQ(help.topic(2), "own");
    EXPECT_EQ(help.topic(3), QString());  // the first file found counts
}

TEST(HelpFileTest, ShippedFileHasARussianTopicForEveryContextInCrLfLines) {
    const auto path = std::filesystem::path(__FILE__).parent_path() / "../../assets/zvonmat.hlp";
    const platform::FileRead read = platform::read_whole_file(path.string());
    ASSERT_FALSE(read.error) << read.error.message();
    const std::string& bytes = read.bytes;
    for (std::size_t at = bytes.find('\n'); at != std::string::npos;
         at = bytes.find('\n', at + 1)) {
        ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << "bare LF at byte " << at;
    }
    const auto topics = HelpFile::parse(bytes);
    for (int context = 2; context <= 7; ++context) {
        SCOPED_TRACE(context);
        ASSERT_TRUE(topics.contains(context));
        EXPECT_TRUE(topics.at(context).contains(QRegularExpression("[А-Яа-я]")));
    }
}

}  // namespace
