#include "viewer/JournalFollower.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/FileContents.h"
#include "viewer/JournalLines.h"

namespace {

using Change = JournalFollower::Change;
using State = JournalFollower::State;

class JournalFollowerTest : public ::testing::Test {
  protected:
    void write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    void append(const std::string& bytes) {
        std::ofstream(path_, std::ios::binary | std::ios::app) << bytes;
    }
    QTemporaryDir dir_;
    std::string path_ = dir_.filePath("zvonmat.jur").toStdString();
};

// Each step changes the file, then polls once.
struct Step {
    const char* what;
    std::function<void()> change;
    bool restart;
    std::string bytes;  // what the poll hands over as new
    State state = State::Readable;
};

TEST_F(JournalFollowerTest, HandsOverWhatHasChangedSinceTheLastPoll) {
    namespace fs = std::filesystem;
    const auto writes = [this](std::string bytes) { return [=, this] { write(bytes); }; };
    const auto appends = [this](std::string bytes) { return [=, this] { append(bytes); }; };
    const auto nothing = [] {};
    const auto replace = [this] {
        const std::string other = dir_.filePath("new.jur").toStdString();
        std::ofstream(other, std::ios::binary) << "ONE\r\nTWO\r\nnew\r\n";
        fs::rename(other, path_);
    };
    const auto remove = [this] { fs::remove(path_); };
    const auto make_directory = [this] { fs::create_directory(path_); };
    const auto file_again = [this] {
        fs::remove(path_);
        write("last");
    };
    // Another journal of the same day: its first 64 bytes are this one's.
    const std::string day(70, 'd');
    const std::vector<Step> steps = {
        {"no file yet", nothing, false, "", State::Missing},
        {"created", writes("one\r\ntwo\r\n"), false, "one\r\ntwo\r\n"},
        {"unchanged", nothing, false, ""},
        {"a record appended", appends("three\r\n"), false, "three\r\n"},
        {"half a line", appends("fo"), false, "fo"},
        {"more of it", appends("ur\r\nfive\n"), false, "ur\r\nfive\n"},
        {"cut shorter", writes("one\r\n"), true, "one\r\n"},
        {"rewritten in place, longer", writes("ONE\r\nTWO\r\n"), true, "ONE\r\nTWO\r\n"},
        {"another journal", writes(day + "1\r\n"), true, day + "1\r\n"},
        {"copied over it, the same first bytes, longer", writes(day + "2\r\n" + day + "3\r\n"),
         true, day + "2\r\n" + day + "3\r\n"},
        {"replaced by another file", replace, true, "ONE\r\nTWO\r\nnew\r\n"},
        {"removed", remove, true, "", State::Missing},
        {"still missing", nothing, false, "", State::Missing},
        {"a directory in its place", make_directory, false, "", State::Unreadable},
        {"a file again, without a line end", file_again, false, "last"},
    };
    JournalFollower follower(path_);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        const Change change = follower.poll();
        EXPECT_EQ(change.restart, step.restart);
        const std::string now = follower.fd() >= 0 ? file_contents(path_) : "";
        EXPECT_EQ(now.substr(std::min<std::size_t>(change.from, now.size()),
                             std::size_t(change.to - change.from)),
                  step.bytes);
        EXPECT_EQ(follower.state(), step.state);
    }
    EXPECT_EQ(follower.error(), std::error_code());
}

// Every LF ends a line; a CR before it goes with it; a long line is cut.
TEST(LineReader, LinesAreCutAndCostNoMore) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("zvonmat.jur").toStdString();
    const std::size_t max = kJournalLineMax;
    const std::string bytes = std::string(max, 'a') + "\r\n" + std::string(max + 1, 'b') + "\n" +
                              std::string(3 * 64 * 1024, '\0') + "\nsix\r\r\n" +
                              std::string(max + 5, 'c');
    write_file(path, bytes);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct Expected {
        std::string bytes;
        bool cut, ended;
    };
    const Expected expected[] = {
        {std::string(max, 'a'), false, true}, {std::string(max, 'b'), true, true},
        {std::string(max, '\0'), true, true}, {"six\r", false, true},
        {std::string(max, 'c'), true, false},
    };
    // Read in one piece, and in pieces smaller than a line.
    for (const std::size_t chunk : {std::size_t(1) << 20, std::size_t(1000)}) {
        SCOPED_TRACE(chunk);
        LineReader reader(fd, 0, bytes.size(), chunk);
        JournalLine line;
        std::uint64_t start = 0;
        for (const Expected& want : expected) {
            ASSERT_TRUE(reader.next(line));
            EXPECT_EQ(line.bytes, want.bytes);
            EXPECT_EQ(line.cut, want.cut);
            EXPECT_EQ(line.ended, want.ended);
            EXPECT_EQ(line.start, start);
            start = line.end;
        }
        EXPECT_FALSE(reader.next(line));
        EXPECT_EQ(start, bytes.size());
    }
    EXPECT_EQ(line_start_before(fd, bytes.size()), bytes.size() - max - 5);
    EXPECT_EQ(line_start_before(fd, max), 0u);
    ::close(fd);
}

TEST_F(JournalFollowerTest, NeverWritesOrHangs) {
    const std::string bytes = "one\r\ntwo";
    write(bytes);
    ::chmod(path_.c_str(), 0444);
    const auto before = std::filesystem::last_write_time(path_);
    JournalFollower follower(path_);
    follower.poll();
    follower.poll();
    EXPECT_EQ(file_contents(path_), bytes);
    EXPECT_EQ(std::filesystem::last_write_time(path_), before);

    // A FIFO under the journal's name is refused at once rather than waited on.
    const std::string fifo = dir_.filePath("fifo.jur").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    JournalFollower on_fifo(fifo);
    EXPECT_TRUE(on_fifo.poll().empty());
    EXPECT_EQ(on_fifo.state(), State::Unreadable);
}

}  // namespace
