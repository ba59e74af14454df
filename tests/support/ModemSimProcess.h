#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// A zvonmat-modemsim run in a temporary directory, serving on <dir>/modem and logging to
// <dir>/modem.log. Stopped by its process id (SIGTERM) when the object goes, and the directory
// is removed.
class ModemSimProcess {
  public:
    explicit ModemSimProcess(std::vector<std::string> extra_args = {});
    ~ModemSimProcess();
    ModemSimProcess(const ModemSimProcess&) = delete;
    ModemSimProcess& operator=(const ModemSimProcess&) = delete;

    const std::string& link() const { return link_; }
    const std::string& log_path() const { return log_; }
    pid_t pid() const { return pid_; }
    bool started() const { return started_; }

    // Sends `signal` and waits for the exit; the exit status, or -1 when it did not end in time.
    int Stop(int signal, std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

    std::vector<std::string> LogLines() const;

    // Runs the simulator with `args` to its end; its exit status.
    static int RunToEnd(const std::vector<std::string>& args);

  private:
    static pid_t Spawn(const std::vector<std::string>& args);

    std::string dir_;
    std::string link_;
    std::string log_;
    pid_t pid_ = -1;
    bool started_ = false;
};
