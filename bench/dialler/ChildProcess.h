#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "platform/UniqueFd.h"

// A helper program a benchmark starts: run in its own working directory with extra environment,
// its output going to a file, and stopped by its process id (SIGTERM, then SIGKILL if it lingers)
// when the object goes, so that nothing is left running. A probe tells it is ready by writing one
// byte to the descriptor named in ZVONMAT_PROBE_FD.
class ChildProcess {
  public:
    using Environment = std::vector<std::pair<std::string, std::string>>;

    // Starts argv[0] (a path) with the arguments; throws std::runtime_error when it cannot.
    ChildProcess(const std::vector<std::string>& argv, const std::string& workdir,
                 const Environment& environment, const std::string& output_file);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    // Waits for the ready byte. False when the program ended or the time ran out first.
    bool WaitReady(std::chrono::milliseconds limit);
    // Whether the program has not ended yet.
    bool Running();
    // Stops the program and reaps it; nothing when it has been stopped already.
    void Stop();

  private:
    pid_t pid_ = -1;
    platform::UniqueFd ready_;
};
