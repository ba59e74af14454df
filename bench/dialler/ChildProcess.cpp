#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& workdir,
                           const Environment& environment, const std::string& output_file) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    ready_.reset(fds[0]);
    platform::UniqueFd write_end(fds[1]);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        // The child: only async-signal-safe calls until exec, but setenv, which is safe enough in
        // a freshly forked single-threaded harness.
        const int out = ::open(output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || ::chdir(workdir.c_str()) != 0) {
            ::_exit(127);
        }
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        const int ready = ::dup(write_end.get());  // without O_CLOEXEC: the probe inherits it
        ::setenv("ZVONMAT_PROBE_FD", std::to_string(ready).c_str(), 1);
        for (const auto& [name, value] : environment) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        ::execv(args[0], args.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess() {
    Stop();
}

bool ChildProcess::WaitReady(std::chrono::milliseconds limit) {
    pollfd p{ready_.get(), POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 200))) > 0) {
            char byte = 0;
            return ::read(ready_.get(), &byte, 1) == 1;
        }
        if (!Running()) {
            return false;
        }
    }
    return false;
}

bool ChildProcess::Running() {
    if (pid_ < 0) {
        return false;
    }
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

void ChildProcess::Stop() {
    if (!Running()) {
        return;
    }
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}
