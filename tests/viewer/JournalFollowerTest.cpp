#include "viewer/JournalFollower.h"

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

namespace {

using Update = JournalFollower::Update;
using State = JournalFollower::State;

// Lines as text: "+" before an open line, "…" after a cut one.
std::vector<std::string> texts(const Update& update) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < update.lines.size(); ++i) {
        const auto& line = update.lines[i];
        const bool open = update.last_open && i + 1 == update.lines.size();
        out.push_back((open ? "+" : "") + line.bytes.substr(0, 12) + (line.cut ? "…" : ""));
    }
    return out;
}

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
    bool replace_last;
    std::vector<std::string> lines;
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
    const std::vector<Step> steps = {
        {"no file yet", nothing, false, false, {}, State::Missing},
        {"created", writes("one\r\ntwo\r\n"), false, false, {"one", "two"}},
        {"unchanged", nothing, false, false, {}},
        {"a record appended", appends("three\r\n"), false, false, {"three"}},
        {"half a line", appends("fo"), false, false, {"+fo"}},
        {"more of it", appends("ur"), false, true, {"+four"}},
        {"its end and another", appends("\r\nfive\nsi"), false, true, {"four", "five", "+si"}},
        {"a lone CR stays", appends("x\r\r\n"), false, true, {"six\r"}},
        {"cut shorter", writes("one\r\n"), true, false, {"one"}},
        {"rewritten in place, longer", writes("ONE\r\nTWO\r\n"), true, false, {"ONE", "TWO"}},
        {"replaced by another file", replace, true, false, {"ONE", "TWO", "new"}},
        {"removed", remove, true, false, {}, State::Missing},
        {"still missing", nothing, false, false, {}, State::Missing},
        {"a directory in its place", make_directory, false, false, {}, State::Unreadable},
        {"a file again, without a line end", file_again, false, false, {"+last"}},
    };
    JournalFollower follower(path_);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        const Update update = follower.poll();
        EXPECT_EQ(update.restart, step.restart);
        EXPECT_EQ(update.replace_last, step.replace_last);
        EXPECT_EQ(texts(update), step.lines);
        EXPECT_EQ(follower.state(), step.state);
    }
    EXPECT_EQ(follower.error(), std::error_code());
}

TEST_F(JournalFollowerTest, LongLinesAreCutAndCostNoMore) {
    const std::size_t max = JournalFollower::kLineMax;
    write(std::string(max, 'a') + "\r\n" + std::string(max + 1, 'b') + "\n" +
          std::string(3 * 64 * 1024, '\0') + "\nend\r\n" + std::string(max + 5, 'c'));
    JournalFollower follower(path_);
    Update update = follower.poll();
    ASSERT_EQ(update.lines.size(), 5u);
    EXPECT_EQ(update.lines[0].bytes, std::string(max, 'a'));
    EXPECT_FALSE(update.lines[0].cut);
    EXPECT_EQ(update.lines[1].bytes, std::string(max, 'b'));
    EXPECT_TRUE(update.lines[1].cut);
    EXPECT_EQ(update.lines[2].bytes, std::string(max, '\0'));
    EXPECT_TRUE(update.lines[2].cut);
    EXPECT_EQ(update.lines[3].bytes, "end");
    EXPECT_EQ(update.lines[4].bytes, std::string(max, 'c'));
    EXPECT_TRUE(update.lines[4].cut);
    EXPECT_TRUE(update.last_open);

    // The open line grows on: it comes again, still cut, then ended.
    append("ccc");
    update = follower.poll();
    EXPECT_TRUE(update.replace_last);
    ASSERT_EQ(update.lines.size(), 1u);
    EXPECT_TRUE(update.lines[0].cut);
    append("\r\nnext\r\n");
    update = follower.poll();
    EXPECT_EQ(texts(update), (std::vector<std::string>{"cccccccccccc…", "next"}));
    EXPECT_FALSE(update.last_open);
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
