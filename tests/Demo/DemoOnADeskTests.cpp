#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/Platform/ScratchFolder.h"

extern char** environ;

namespace {

// A program of the build run as a child, its standard output (and error, when asked) read whole
// or line by line.
class ChildProgram {
public:
    explicit ChildProgram(std::vector<std::string> args, bool withErrors = true) {
        int out[2];
        EXPECT_EQ(::pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        if (withErrors)
            posix_spawn_file_actions_adddup2(&actions, out[1], 2);
        else
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        output_ = ::fdopen(out[0], "r");
    }
    ~ChildProgram() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            finish();
        }
        if (output_) std::fclose(output_);
    }

    std::string line() {
        char text[1024] = {};
        return std::fgets(text, sizeof text, output_) ? text : "";
    }
    // Everything it writes until it ends, and its exit status.
    std::pair<std::string, int> rest() {
        std::string text;
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, output_)) > 0;) text.append(chunk, n);
        return {text, finish()};
    }
    int stop() {
        ::kill(pid_, SIGTERM);
        return finish();
    }

private:
    int finish() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    pid_t pid_ = -1;
    FILE* output_ = nullptr;
};

// A loopback port nobody listens on (bound, then let go).
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), size), 0);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

// A fresh velmaro-desk with its defaults (no tenant file, so it makes its first agent), on a port
// it picks, and the demo's tour played on it as a customer would run it; the first address it is
// given is down, so the layer passes it over.
TEST(DemoOnADesk, TheTourPassesOnAFreshDeskStartedWithItsDefaults) {
    ScratchFolder folder("demo-desk");
    const auto db = (folder.path() / "desk.db").string();
    ChildProgram desk({VELMARO_DESK_PROGRAM, "--db", db, "--listen", "127.0.0.1:0"}, false);
    const std::string listening = desk.line();
    const auto at = listening.find("http://");
    ASSERT_NE(at, std::string::npos) << listening;
    const std::string url = listening.substr(at, listening.find(' ', at) - at);
    ASSERT_NE(desk.line().find("velmaro-desk-agent.json"), std::string::npos);

    const std::string down = "http://127.0.0.1:" + std::to_string(closedPort());
    ChildProgram demo({VELMARO_DEMO_PROGRAM, "--desk", down + "," + url, "--no-snapshots", "--agent-file",
                       (folder.path() / "velmaro-desk-agent.json").string()});
    auto [output, status] = demo.rest();
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("End of the tour."), std::string::npos) << output;
    // What the glass showed came from the desk: the agent's answers and the history it was given.
    EXPECT_NE(output.find("Thank you for your message."), std::string::npos);
    EXPECT_NE(output.find("Parcel not delivered"), std::string::npos);
    EXPECT_NE(output.find("The desk recorded the score \"SATISFIED\""), std::string::npos) << output;
    EXPECT_EQ(desk.stop(), 0);
}

TEST(DemoOnADesk, ADeskThatIsDownOrAWrongAddressIsSaidAndFails) {
    ScratchFolder folder("demo-desk-down");
    const std::string down = "http://127.0.0.1:" + std::to_string(closedPort());
    const std::string alsoDown = "http://127.0.0.1:" + std::to_string(closedPort());
    struct Case {
        std::vector<std::string> args;
        std::string says;
        int status;
    };
    const Case cases[] = {
        {{VELMARO_DEMO_PROGRAM, "--desk", down, "--no-snapshots"}, "no support desk answers at " + down, 1},
        {{VELMARO_DEMO_PROGRAM, "--desk", down, "--interactive"}, "no support desk answers at " + down, 1},
        {{VELMARO_DEMO_PROGRAM, "--desk", down + "," + alsoDown}, "no support desk answers at " + down + ", " + alsoDown, 1},
        {{VELMARO_DEMO_PROGRAM, "--desk", "127.0.0.1:8080"}, "--desk needs the desk's address", 2},
        {{VELMARO_DEMO_PROGRAM, "--desk", down + ",127.0.0.1:8080"}, "--desk needs the desk's address", 2},
        {{VELMARO_DEMO_PROGRAM, "--desk", down + ","}, "--desk needs the desk's address", 2},
        {{VELMARO_DEMO_PROGRAM, "--desk", down, "--chaos", "3"}, "--chaos plays on the embedded desk only", 2},
    };
    for (const auto& c : cases) {
        ChildProgram demo(c.args);
        auto [output, status] = demo.rest();
        EXPECT_EQ(status, c.status) << c.args[2] << "\n" << output;
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
    }
}

}  // namespace
