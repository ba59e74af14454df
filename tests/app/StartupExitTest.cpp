#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/FileContents.h"
#include "support/FormFixture.h"
#include "support/PermissionsApply.h"

namespace {

using namespace zvonmat_test;

class StartupExitTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        writeFile(workPath("zvonmat.lst"), "111\r\n222\r\n");
    }
};

TEST_F(StartupExitTest, AStartUpErrorDoesNotCostTheQuickDialList) {
    writeFile(storePath(), "[1.0]\r\nme_users=dword:00000001\r\n");
    MainWindowDriver& window = start();
    window.type_number("12");
    window.remember_number();
    window.press_exit();
    EXPECT_EQ(file_contents(workPath("zvonmat.lst").toStdString()), "12\r\n111\r\n222\r\n");
}

TEST_F(StartupExitTest, AnUnchangedListIsNotWrittenSoAReadOnlyDirectoryLetsTheUserLeave) {
    MainWindowDriver& window = start();
    ::chmod(workPath("zvonmat.lst").toLocal8Bit().constData(), 0444);
    ::chmod(work_.path().toLocal8Bit().constData(), 0555);
    {
        PermissionsApply bound;
        window.press_exit();
    }
    ::chmod(work_.path().toLocal8Bit().constData(), 0755);
    EXPECT_TRUE(hooks.errors.isEmpty()) << hooks.errors.join('\n').toStdString();
    EXPECT_FALSE(window.shown());
}

}  // namespace
