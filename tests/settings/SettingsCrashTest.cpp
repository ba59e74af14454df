#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <chrono>
#include <random>
#include <thread>

#include "settings/Settings.h"
#include "support/FileContents.h"

namespace {

// A process killed at any moment while it writes the settings file leaves either the whole old
// file or the whole new one, never a torn mix.
TEST(SettingsCrash, AWriterKilledAtAnyMomentLeavesAWholeFile) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("zvonmat.ini").toStdString();
    TSettings first;
    first.dial_prefix = std::string(600, '1');
    TSettings second;
    second.dial_prefix = std::string(900, '2');
    second.init_command = "ATZ2";
    write_settings(first, path);
    const std::string first_bytes = file_contents(path);
    write_settings(second, path);
    const std::string second_bytes = file_contents(path);

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delay_us(0, 3000);
    for (int round = 0; round < 300; ++round) {
        const pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            for (int i = 0;; ++i) {
                write_settings(i % 2 ? first : second, path);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        const std::string now = file_contents(path);
        ASSERT_TRUE(now == first_bytes || now == second_bytes) << "torn after round " << round;
    }
    // Temporary files of killed writers may be left; the settings file itself is always whole.
}

}  // namespace
