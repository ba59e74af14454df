#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FileError.h"

namespace {

using platform::LineEnds;

// Each line as its text and its end, joined by '|'.
std::vector<std::string> lines(std::string_view bytes, LineEnds rule) {
    std::vector<std::string> out;
    for (const auto& line : platform::split_lines(bytes, rule)) {
        out.push_back(std::string(line.text) + "|" + std::string(line.end));
    }
    return out;
}

TEST(SplitLines, KeepsEachFormatsLineEnds) {
    using V = std::vector<std::string>;
    const struct {
        const char* name;
        std::string_view bytes;
        V lf;
        V cr_or_lf;
    } kRows[] = {
        {"empty", "", {}, {}},
        {"one line end", "\r\n", {"|\r\n"}, {"|\r\n"}},
        {"last line unended", "a\nb", {"a|\n", "b|"}, {"a|\n", "b|"}},
        {"lone cr", "a\rb\n", {"a\rb|\n"}, {"a|\r", "b|\n"}},
        {"lf cr", "a\n\rb", {"a|\n", "\rb|"}, {"a|\n", "|\r", "b|"}},
        {"cr cr lf", "a\r\r\n", {"a\r|\r\n"}, {"a|\r", "|\r\n"}},
        {"cr ends the bytes", "a\r", {"a|\r"}, {"a|\r"}},
    };
    for (const auto& row : kRows) {
        EXPECT_EQ(lines(row.bytes, LineEnds::Lf), row.lf) << row.name;
        EXPECT_EQ(lines(row.bytes, LineEnds::CrOrLf), row.cr_or_lf) << row.name;
    }
}

TEST(FileErrorMessage, NamesThePathAndOnlyAGivenReason) {
    using platform::FileMessage;
    const struct {
        FileMessage kind;
        std::error_code reason;
        const char* message;
    } kRows[] = {
        {FileMessage::CannotCreate, {}, "Cannot create file /d/f"},
        {FileMessage::UnableToWrite, {}, "Unable to write to /d/f"},
        {FileMessage::CannotRead, std::make_error_code(std::errc::io_error),
         "Cannot read file /d/f: Input/output error"},
        {FileMessage::JournalWrite, std::make_error_code(std::errc::is_a_directory),
         "Cannot write to the journal /d/f: Is a directory"},
        {FileMessage::CannotCreate, platform::FileErrc::NotRegular,
         "Cannot create file /d/f: Not a regular file"},
    };
    for (const auto& row : kRows) {
        EXPECT_EQ(platform::file_error_message(row.kind, "/d/f", row.reason), row.message);
    }
}

}  // namespace
