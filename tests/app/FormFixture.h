#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/TForm1.h"
#include "platform/Beep.h"
#include "platform/ErrorReport.h"
#include "platform/MachineStore.h"
#include "platform/Notification.h"

namespace zvonmat_test {

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Runs each test in an empty working directory with its own per-machine store, counting beeps
// and recording error reports instead of showing them.
class FormTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(work_.isValid());
        ASSERT_TRUE(store_dir_.isValid());
        old_cwd_ = std::filesystem::current_path();
        std::filesystem::current_path(work_.path().toStdString());
        old_beep_ = platform::set_beep_handler([this] { ++beeps_; });
        old_reporter_ =
            platform::set_error_reporter([this](const QString& m) { errors_.append(m); });
        old_questioner_ = platform::set_questioner([this](const QString& question) {
            questions_.append(question);
            return answer_;
        });
        old_notifier_ = platform::set_notifier(
            [this](const QString& summary, const QString&) { notifications_.append(summary); });
    }

    void TearDown() override {
        form_.reset();
        platform::set_beep_handler(old_beep_);
        platform::set_error_reporter(old_reporter_);
        platform::set_questioner(old_questioner_);
        platform::set_notifier(old_notifier_);
        std::filesystem::current_path(old_cwd_);
    }

    QString storePath() const { return store_dir_.filePath(QStringLiteral("user.conf")); }

    TForm1& create() {
        form_ = std::make_unique<TForm1>(platform::MachineStore::load(storePath().toStdString()));
        return *form_;
    }

    TForm1& createShown() {
        TForm1& form = create();
        form.show();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        return form;
    }

    // Runs `inside` on the modal window that `open` brings up, once it is shown; the window is
    // closed afterwards, whatever `inside` did, so that the modal loop ends.
    template <class Window>
    void withModal(const std::function<void()>& open, const std::function<void(Window&)>& inside) {
        bool ran = false;
        QTimer::singleShot(200, [&] {
            auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            inside(*window);
            ran = true;
            window->close();
        });
        open();
        EXPECT_TRUE(ran);
    }

    QStringList workFiles() const {
        return QDir(work_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir work_;
    QTemporaryDir store_dir_;
    std::filesystem::path old_cwd_;
    std::function<void()> old_beep_;
    platform::ErrorReporter old_reporter_;
    platform::Questioner old_questioner_;
    platform::Notifier old_notifier_;
    int beeps_ = 0;
    QStringList errors_;
    QStringList questions_;  // asked of the user, each answered with answer_
    bool answer_ = false;
    QStringList notifications_;  // the desktop notifications' summaries
    std::unique_ptr<TForm1> form_;
};

// Presses, moves and releases through the window system, so that the press goes to whichever
// control lies under the point, as it does for a user. `from` and `to` are window coordinates
// at the moment of the press; the window may move in between.
inline void dragOnWindow(TForm1& form, QPoint from, QPoint to) {
    QWindow* window = form.windowHandle();
    ASSERT_NE(window, nullptr);
    const QPoint origin = form.pos();
    QTest::mousePress(window, Qt::LeftButton, {}, from);
    QTest::mouseMove(window, to - (form.pos() - origin));
    QTest::mouseRelease(window, Qt::LeftButton, {}, to - (form.pos() - origin));
}

}  // namespace zvonmat_test
