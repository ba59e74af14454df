#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>

namespace support {

// Who runs the child: user nobody when the tests run as root (root ignores permission bits),
// or whoever runs the tests (a child only to keep limits and signals away from the test program).
enum class As { Nobody, Self };

// Runs `body` in a child process. Passes when the child ends normally with no failure of its own:
// EXPECT and ASSERT failures inside `body` are printed by the child and fail the result here, as
// does a child that crashes or cannot drop its privileges.
inline ::testing::AssertionResult run_in_child(const std::function<void()>& body,
                                               As user = As::Nobody) {
    std::fflush(nullptr);  // what is buffered is printed once, by the parent
    const pid_t pid = ::fork();
    if (pid < 0) {
        return ::testing::AssertionFailure() << "fork failed";
    }
    if (pid == 0) {
        if (user == As::Nobody && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            std::fputs("could not drop privileges\n", stderr);
            ::_exit(2);
        }
        const ::testing::TestResult& result =
            *::testing::UnitTest::GetInstance()->current_test_info()->result();
        const int before = result.total_part_count();
        body();
        bool failed = false;
        for (int i = before; i < result.total_part_count(); ++i) {
            failed = failed || result.GetTestPartResult(i).failed();
        }
        std::fflush(nullptr);
        ::_exit(failed ? 1 : 0);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "the child " << (WIFSIGNALED(status) ? "died of signal " : "exited with ")
           << (WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
}

}  // namespace support
