#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace velmaro::testing {

// A program a test starts and stops: its standard output read line by line (or, unread, to the
// file too), its standard error to a file. Killed (SIGKILL) if still running when destroyed.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& args, const std::string& errorFile, bool readOutput = true);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of standard output, without its newline; empty at its end.
    std::string readLine();
    // Sends the signal and answers the exit status (128 + the signal that ended it).
    int stop(int signal);
    // Whether it still runs; one that has ended is reaped (stop then answers -1).
    bool running();
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string pending_;
};

}  // namespace velmaro::testing
