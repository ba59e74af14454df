#include "platform/gui/DesktopNotifications.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A private session bus, without service activation, for the time of one test.
class DesktopNotificationsTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QFile config(dir_.filePath("session.conf"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(
            "<busconfig><type>session</type><listen>unix:dir=" + QFile::encodeName(dir_.path()) +
            "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
            "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
            "<allow own=\"*\"/></policy></busconfig>");
        config.close();
        daemon_.start("dbus-daemon",
                      {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
        ASSERT_TRUE(daemon_.waitForStarted());
        ASSERT_TRUE(QTest::qWaitFor([&] { return daemon_.canReadLine(); }, 10000));
        address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    }

    void TearDown() override {
        for (const QString& name : connections_) {
            QDBusConnection::disconnectFromBus(name);
        }
        daemon_.terminate();
        daemon_.waitForFinished();
    }

    QDBusConnection connect(const QString& name) {
        connections_.append(name);
        return QDBusConnection::connectToBus(address_, name);
    }

    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QStringList connections_;
};

// Where no service runs, nothing waits for one and nothing is said about it.
TEST_F(DesktopNotificationsTest, WithoutAServiceNothingWaitsAndNothingIsReported) {
    static int warnings = 0;
    const QtMessageHandler old =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            warnings += type != QtDebugMsg;
        });
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(platform::send_desktop_notification(connect("program"), "попытки исчерпаны", {}));
    EXPECT_LT(clock.elapsed(), 1000);
    QTest::qWait(300);  // an error reply would have come by now
    qInstallMessageHandler(old);
    EXPECT_EQ(warnings, 0);

    EXPECT_FALSE(platform::send_desktop_notification(QDBusConnection("nowhere"), "x", {}));
}

}  // namespace
