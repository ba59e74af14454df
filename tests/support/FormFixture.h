#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/TForm1.h"
#include "platform/MachineStore.h"
#include "support/Hooks.h"
#include "support/MainWindowDriver.h"
#include "support/WorkDir.h"

namespace zvonmat_test {

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Runs each test in an empty working directory with its own per-machine store, with the
// program's hooks recording beeps, error reports, questions and notifications.
class FormTest : public testing::Test {
  protected:
    // The window goes first, while what a test class adds (a modem, a terminal) is still there.
    void TearDown() override {
        driver_.reset();
        form_.reset();
    }

    QString storePath() const { return store_dir_.filePath(QStringLiteral("user.conf")); }
    QString workPath(const QString& name) const { return work_.path(name); }
    // The settings file's [PARAM] section, as the next window reads it.
    void writeSettings(const QByteArray& lines) {
        writeFile(workPath("zvonmat.ini"), "[PARAM]\r\n" + lines);
    }
    // A directory in the place of the file `name`, which can then not be written.
    void blockFile(const QString& name) {
        QFile::remove(workPath(name));
        ASSERT_TRUE(QDir().mkdir(workPath(name)));
    }

    // A new main window (replacing the last), not shown.
    MainWindowDriver& create() {
        driver_.reset();
        form_.reset();
        form_ = std::make_unique<TForm1>(platform::MachineStore::load(storePath().toStdString()));
        driver_ = std::make_unique<MainWindowDriver>(*form_);
        return *driver_;
    }

    // A new main window, shown and active as at the program's start.
    MainWindowDriver& start() {
        MainWindowDriver& driver = create();
        form_->show();
        form_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        return driver;
    }

    QStringList workFiles() const {
        return QDir(work_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    ScopedHooks hooks;
    ScopedWorkDir work_;
    QTemporaryDir store_dir_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<MainWindowDriver> driver_;
};

}  // namespace zvonmat_test
