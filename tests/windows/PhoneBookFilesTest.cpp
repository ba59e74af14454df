#include "windows/PhoneBookFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "support/FileContents.h"

namespace {

using namespace std::string_literals;

PhoneBookColumn column(const std::vector<std::string>& lines) {
    PhoneBookColumn c;
    std::copy(lines.begin(), lines.end(), c.begin());
    return c;
}

TEST(PhoneBookFiles, ReadsTheFirstFiftyLinesUpToCtrlZ) {
    std::string sixty;
    std::vector<std::string> first50;
    for (int i = 1; i <= 60; ++i) {
        sixty += std::to_string(i) + (i % 2 == 0 ? "\r\n" : "\n");
        first50.push_back(std::to_string(i));
    }
    first50.resize(50);
    const struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> lines;
    } kRows[] = {
        {"crlf", "12\r\n\xC8\xE2\r\n", {"12", "\xC8\xE2"}},
        {"cr alone", "1\r2\r", {"1", "2"}},
        {"lf alone ends a line too", "1\n2\n\n4", {"1", "2", "", "4"}},
        {"one lf after a cr only", "1\r\n\n2\n\r3", {"1", "", "2", "", "3"}},
        {"long lines stay whole", std::string(25, 'x'), {std::string(25, 'x')}},
        {"ctrl-z ends the file", "1\r\n2\x1a\r\n3\r\n", {"1", "2"}},
        {"nul is a character", "1\0002\r\n"s, {"1\0002"s}},
        {"sixty lines", sixty, first50},
        {"empty", "", {}},
    };
    for (const auto& row : kRows) {
        EXPECT_EQ(parse_phone_book(row.bytes), column(row.lines)) << row.name;
    }
}

TEST(PhoneBookFiles, WritesFiftyCrLfLinesWholeAndNoControlCharacter) {
    const std::string empty_lines = QByteArray("\r\n").repeated(48).toStdString();
    EXPECT_EQ(format_phone_book({}), "\r\n\r\n" + empty_lines);
    const auto cells = column({std::string(30, '7'), "a\rb\nc\x1a"s + "d\0e\tf\x7f\xFF"s});
    EXPECT_EQ(format_phone_book(cells),
              std::string(30, '7') + "\r\na?b?c?d?e?f\x7f\xFF\r\n" + empty_lines);
}

TEST(PhoneBookFiles, OnlyAFileThatCannotBeOpenedReadsAsNothing) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("zvonmat._tf").toStdString();
    EXPECT_FALSE(read_phone_book(path));
    EXPECT_FALSE(read_phone_book(dir.path().toStdString()));  // a directory
    write_phone_book(path, column({"1", "2"}));
    EXPECT_EQ(read_phone_book(path), column({"1", "2"}));

    // Reading this process's memory at offset 0 fails after a successful open.
    std::filesystem::remove(path);
    std::filesystem::create_symlink("/proc/self/mem", path);
    EXPECT_THROW(read_phone_book(path), platform::Error);
}

// «Запись» writes both new files before replacing either: when the second cannot be written, the
// first stays as it was and no temporary file is left behind.
TEST(PhoneBookFiles, ThePairIsReplacedWholeOrNotAtAll) {
    QTemporaryDir dir;
    const std::string names = dir.filePath("zvonmat._tf").toStdString();
    write_file(names, "old names");
    EXPECT_THROW(write_phone_book_pair(names, column({"Ivan"}),
                                       dir.filePath("gone/zvonmat._fm").toStdString(), {}),
                 platform::Error);
    EXPECT_EQ(file_contents(names), "old names");
    EXPECT_EQ(entry_names(dir.path().toStdString()), std::vector<std::string>{"zvonmat._tf"});
}

}  // namespace
