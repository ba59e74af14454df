#include <unistd.h>

#include "support/FormFixture.h"

namespace zvonmat_test {
namespace {

// Temporary files that a save cut short left behind go at the next start: ours only.
TEST_F(FormTest, StartRemovesTheTemporaryFilesOfOurInterruptedSaves) {
    writeFile(workPath(".zvonmat-save.Ab12Cd"), "half a phone book");
    const bool root = ::geteuid() == 0;
    if (root) {
        writeFile(workPath(".zvonmat-save.nobody"), "another user's");
        ASSERT_EQ(::chown(workPath(".zvonmat-save.nobody").toLocal8Bit(), 65534, 65534), 0);
    }
    create();
    EXPECT_EQ(workFiles().join(' ').toStdString(), root ? ".zvonmat-save.nobody" : "");
}

}  // namespace
}  // namespace zvonmat_test
