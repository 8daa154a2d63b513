#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#ifndef VELMARO_DESK_PROGRAM
#error "DeskProcess.h needs VELMARO_DESK_PROGRAM, the velmaro-desk built"
#endif

extern char** environ;

namespace velmaro::testing_desk {

// velmaro-desk started on a port the system picks, stopped (or killed) by the test.
class DeskProcess {
public:
    // `extra`: more options for its command line.
    DeskProcess(const std::string& db, const std::string& tenantFile, const std::string& logFile,
                const std::string& listen = "127.0.0.1:0", const std::vector<std::string>& extra = {}) {
        int out[2];
        EXPECT_EQ(::pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, 2, logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        std::vector<std::string> args{VELMARO_DESK_PROGRAM, "--db", db, "--listen", listen};
        if (!tenantFile.empty()) args.insert(args.end(), {"--tenant", tenantFile});
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, VELMARO_DESK_PROGRAM, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        output_ = ::fdopen(out[0], "r");
        // The first line says where it listens; it comes once the port is bound.
        char line[512] = {};
        if (std::fgets(line, sizeof line, output_)) firstLine_ = line;
        // "… listening on http://ADDRESS:PORT (…": the port ends the address.
        if (const auto url = firstLine_.find("listening on http://"); url != std::string::npos) {
            const auto end = firstLine_.find(' ', url + 13);
            port_ = static_cast<unsigned short>(std::stoi(firstLine_.substr(firstLine_.rfind(':', end) + 1)));
        }
    }
    ~DeskProcess() {
        if (pid_ > 0) kill(SIGKILL);
        if (output_) std::fclose(output_);
    }

    unsigned short port() const { return port_; }
    const std::string& firstLine() const { return firstLine_; }
    // The next line on standard output (waits for it).
    std::string nextLine() {
        char line[512] = {};
        return std::fgets(line, sizeof line, output_) ? line : "";
    }
    // Sends the signal and answers the exit status (or 128 + the signal that ended it).
    int kill(int signal) {
        if (pid_ <= 0) return -1;  // gone already: kill(-1) would reach every process
        ::kill(pid_, signal);
        return wait();
    }
    int wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    FILE* output_ = nullptr;
    std::string firstLine_;
    unsigned short port_ = 0;
};

}  // namespace velmaro::testing_desk
