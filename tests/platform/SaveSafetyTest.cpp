#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <fstream>

#include "platform/Files.h"
#include "support/FileContents.h"

namespace {

using platform::PreparedReplace;
using Names = std::vector<std::string>;

class SaveSafety : public ::testing::Test {
  protected:
    std::string path(const char* name) const { return dir_ + "/" + name; }
    void write(const char* name, const char* bytes) { std::ofstream(path(name)) << bytes; }

    QTemporaryDir tmp_;
    std::string dir_ = tmp_.path().toStdString();
};

TEST_F(SaveSafety, APreparedFileIsUnseenUntilCommittedAndGoesWhenDropped) {
    write("a", "old");
    { EXPECT_FALSE(PreparedReplace::prepare(path("a"), "dropped").error()); }
    auto a = PreparedReplace::prepare(path("a"), "new");
    auto b = PreparedReplace::prepare(path("b"), "created");
    EXPECT_EQ(entry_names(dir_), Names{"a"});
    EXPECT_EQ(file_contents(path("a")), "old");
    EXPECT_FALSE(a.commit());
    EXPECT_FALSE(b.commit());
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
    } kRows[] = {
        {kNobody, kRoot, 01777, false},
        {kNobody, kNobody, 01777, true},
        {kNobody, kRoot, 0777, true},
        {kRoot, kNobody, 01777, true},
    };
    ::mkdir(path("shared").c_str(), 0);
    const std::string link = path("shared/zvonmat.lst");
    for (const auto& row : kRows) {
        SCOPED_TRACE(testing::Message() << row.link_owner << " " << row.dir_owner);
        write("secret", "root only");
        ::chmod(path("shared").c_str(), row.dir_mode);
        ::chown(path("shared").c_str(), row.dir_owner, row.dir_owner);
        ::unlink(link.c_str());
        ASSERT_EQ(::symlink(path("secret").c_str(), link.c_str()), 0);
        ASSERT_EQ(::lchown(link.c_str(), row.link_owner, row.link_owner), 0);
        const std::error_code refused = std::make_error_code(std::errc::permission_denied);
        const std::error_code error = row.followed ? std::error_code() : refused;
        EXPECT_EQ(platform::read_whole_file(link).bytes, row.followed ? "root only" : "");
        EXPECT_EQ(platform::replace_file(link, "new"), error);
        EXPECT_EQ(platform::append_file(link, "+"), error);
        EXPECT_EQ(file_contents(path("secret")), row.followed ? "new+" : "root only");
        EXPECT_EQ(entry_names(path("shared")), Names{"zvonmat.lst"});
        EXPECT_EQ(entry_names(dir_), (Names{"secret", "shared"}));
    }
}

}  // namespace
