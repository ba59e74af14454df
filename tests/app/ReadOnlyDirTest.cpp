#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "support/FileContents.h"
#include "support/FormFixture.h"
#include "support/PermissionsApply.h"

namespace {

using namespace zvonmat_test;

// The working directory and everything in it turn read-only while the program runs, as when a
// share is remounted read-only or a user's rights are taken away.
class ReadOnlyDirTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        writeSettings("wait=7\r\n");
        writeFile(workPath("zvonmat.lst"), "555\r\n444\r\n");
        writeFile(workPath("zvonmat.jur"), "earlier record\r\n");
    }

    void setWritable(bool writable) {
        for (const QString& name : workFiles()) {
            ::chmod(workPath(name).toLocal8Bit().constData(), writable ? 0644 : 0444);
        }
        ::chmod(work_.path().toLocal8Bit().constData(), writable ? 0755 : 0555);
    }

    std::map<QString, std::string> snapshot() const {
        std::map<QString, std::string> files;
        for (const QString& name : workFiles()) {
            files[name] = file_contents(workPath(name).toStdString());
        }
        return files;
    }
};

TEST_F(ReadOnlyDirTest, EverySaveReportsItsErrorAndNothingOnDiskChanges) {
    MainWindowDriver& window = start();
    window.type_number("777");
    window.remember_number();
    const auto before = snapshot();
    {
        setWritable(false);
        PermissionsApply bound;

        window.press_exit();
        EXPECT_EQ(hooks.errors, QStringList{"Cannot create file " + workPath("zvonmat.lst") +
                                            ": Permission denied"});
        EXPECT_TRUE(window.shown());

        window.open_settings([&](SettingsDialogDriver& dialog) {
            hooks.errors.clear();
            dialog.press_ok();
            EXPECT_EQ(hooks.errors, QStringList{"Unable to write to " + workPath("zvonmat.ini")});
            EXPECT_TRUE(dialog.is_open());
        });

        hooks.errors.clear();
        window.press_conversation(200);
        ASSERT_EQ(hooks.errors.size(), 1);
        EXPECT_TRUE(hooks.errors.front().contains(workPath("zvonmat.jur")))
            << hooks.errors.front().toStdString();
        EXPECT_FALSE(window.conversation_ticking());

        EXPECT_EQ(snapshot(), before);
    }
    // Once the directory can be written again, leaving saves the list as usual.
    setWritable(true);
    hooks.errors.clear();
    window.press_exit();
    EXPECT_TRUE(hooks.errors.isEmpty()) << hooks.errors.join('\n').toStdString();
    EXPECT_FALSE(window.shown());
    EXPECT_EQ(file_contents(workPath("zvonmat.lst").toStdString()), "777\r\n555\r\n444\r\n");
}

}  // namespace
