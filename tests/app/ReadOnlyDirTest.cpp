#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <map>

#include "app/FormFixture.h"
#include "app/TForm1.h"
#include "controls/Gradbtns.h"
#include "dialing/TForm4.h"
#include "support/FileContents.h"
#include "support/PermissionsApply.h"
#include "windows/TForm3.h"

namespace {

using namespace zvonmat_test;

// The working directory and everything in it turn read-only while the program runs, as when a
// share is remounted read-only or a user's rights are taken away.
class ReadOnlyDirTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        writeFile(work_.filePath("zvonmat.ini"), "[PARAM]\r\nwait=7\r\n");
        writeFile(work_.filePath("zvonmat.lst"), "555\r\n444\r\n");
        writeFile(work_.filePath("zvonmat.jur"), "earlier record\r\n");
    }

    void setWritable(bool writable) {
        for (const QString& name : workFiles()) {
            ::chmod(work_.filePath(name).toLocal8Bit().constData(), writable ? 0644 : 0444);
        }
        ::chmod(work_.path().toLocal8Bit().constData(), writable ? 0755 : 0555);
    }

    std::map<QString, std::string> snapshot() const {
        std::map<QString, std::string> files;
        for (const QString& name : workFiles()) {
            files[name] = file_contents(work_.filePath(name).toStdString());
        }
        return files;
    }
};

TEST_F(ReadOnlyDirTest, EverySaveReportsItsErrorAndNothingOnDiskChanges) {
    TForm1& form = createShown();
    form.Comboedit2->setText("777");
    form.insert_to_list();
    const auto before = snapshot();
    {
        setWritable(false);
        PermissionsApply bound;

        QTest::mouseClick(form.GradButton3, Qt::LeftButton, {}, {44, 12});
        ASSERT_EQ(errors_.size(), 1);
        EXPECT_EQ(errors_.takeFirst(), "Cannot create file " + work_.filePath("zvonmat.lst"));
        EXPECT_TRUE(form.isVisible());

        withModal<TForm3>(
            [&] {
                QTest::mouseClick(form.GradButtonCopy1, Qt::LeftButton, {}, {15, 12});
            },
            [&](TForm3& dialog) {
                QTest::mouseClick(dialog.GradButton2, Qt::LeftButton, {}, {30, 12});
                ASSERT_EQ(errors_.size(), 1);
                EXPECT_EQ(errors_.takeFirst(),
                          "Unable to write to " + work_.filePath("zvonmat.ini"));
                EXPECT_TRUE(dialog.isVisible());
            });

        withModal<TForm4>(
            [&] {
                QTest::mouseClick(form.GradButton2, Qt::LeftButton, {}, {40, 12});
            },
            [&](TForm4& prompt) {
                QTest::mouseClick(prompt.GradButton1, Qt::LeftButton, {}, {20, 20});
            });
        ASSERT_EQ(errors_.size(), 1);
        EXPECT_TRUE(errors_.front().contains(work_.filePath("zvonmat.jur")))
            << errors_.front().toStdString();
        EXPECT_FALSE(form.Timer2->isActive());

        EXPECT_EQ(snapshot(), before);
    }
    // Once the directory can be written again, leaving saves the list as usual.
    setWritable(true);
    errors_.clear();
    QTest::mouseClick(form.GradButton3, Qt::LeftButton, {}, {44, 12});
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(file_contents(work_.filePath("zvonmat.lst").toStdString()), "777\r\n555\r\n444\r\n");
}

}  // namespace
