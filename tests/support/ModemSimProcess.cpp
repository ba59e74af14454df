#include "support/ModemSimProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

extern char** environ;

namespace {

bool WaitForExit(pid_t pid, std::chrono::milliseconds limit, int& status) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return true;
        }
        if (done < 0 || std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

ModemSimProcess::ModemSimProcess(std::vector<std::string> extra_args) {
    char pattern[] = "/tmp/zvonmat-modemsim-test.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        return;
    }
    dir_ = pattern;
    link_ = dir_ + "/modem";
    log_ = dir_ + "/modem.log";
    std::vector<std::string> args = {"--link", link_, "--log", log_};
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    pid_ = Spawn(args);
    if (pid_ < 0) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    struct stat st {};
    while (::lstat(link_.c_str(), &st) != 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    started_ = true;
}

ModemSimProcess::~ModemSimProcess() {
    if (pid_ > 0 && Stop(SIGTERM) < 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (!dir_.empty()) {
        ::unlink(link_.c_str());
        ::unlink(log_.c_str());
        ::rmdir(dir_.c_str());
    }
}

int ModemSimProcess::Stop(int signal, std::chrono::milliseconds limit) {
    if (pid_ <= 0) {
        return -1;
    }
    ::kill(pid_, signal);
    int status = 0;
    if (!WaitForExit(pid_, limit, status)) {
        return -1;
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> ModemSimProcess::LogLines() const {
    std::vector<std::string> lines;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

int ModemSimProcess::RunToEnd(const std::vector<std::string>& args) {
    const pid_t pid = Spawn(args);
    int status = 0;
    if (pid < 0 || !WaitForExit(pid, std::chrono::milliseconds(5000), status)) {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pid_t ModemSimProcess::Spawn(const std::vector<std::string>& args) {
    std::vector<std::string> all = {ZVONMAT_MODEMSIM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    // A test that crashes must not leave its simulator behind: the simulator ends with the test
    // (and with it the pipe to ctest, which would otherwise wait for it for ever).
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, STDOUT_FILENO);
        }
        ::execve(argv[0], argv.data(), environ);
        ::_exit(127);
    }
    return pid;
}
