#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "Foundation/UserDefaults.h"
#include "UIKitTesting/UserDefaultsTestApi.h"
#include "support/Platform/ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

class UserDefaultsFileTest : public ::testing::Test {
protected:
    ScratchFolder scratch{"velmaro-defaults"};
    const fs::path directory = scratch.path();

    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream buffer;
        buffer << in.rdbuf();
        return buffer.str();
    }
    static void write(const fs::path& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    std::vector<std::string> filesInDirectory() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path file = directory / "defaults.json";
};

TEST(UserDefaultsTest, TextReadsOnlyTextAndNullRemoves) {
    UserDefaults defaults;
    defaults.set("alice", "userName");
    defaults.set(42, "count");
    EXPECT_EQ(defaults.string("userName"), "alice");
    EXPECT_EQ(defaults.string("count"), std::nullopt);  // not text: counts as missing
    EXPECT_EQ(defaults.object("count"), Any(42));
    EXPECT_EQ(defaults.object("missing"), std::nullopt);

    defaults.set(nullptr, "userName");
    EXPECT_EQ(defaults.object("userName"), std::nullopt);
    defaults.remove("count");
    EXPECT_TRUE(defaults.dictionaryRepresentation().empty());
}

TEST(UserDefaultsTest, StandardResetsToEmptyInMemory) {
    UserDefaults::standard().set("token", "endUserTokenString");
    UserDefaultsTestApi::resetStandard();
    EXPECT_EQ(UserDefaults::standard().object("endUserTokenString"), std::nullopt);
    EXPECT_EQ(UserDefaults::standard().persistentFile(), std::nullopt);
    EXPECT_TRUE(UserDefaults::standard().synchronize());
}

TEST_F(UserDefaultsFileTest, EveryKindRoundTripsThroughTheFileWithoutChangingKind) {
    const AnyDictionary nested{
        {"int", 7},
        {"double", 7.0},
        {"bool", true},
        {"$date", "a user key that looks like a tag"},
        {"$$", "dollars"},
        {std::string("\xff\xfe key"), "key that is not UTF-8"},
        {"list", AnyArray{1, 1.5, false, nullptr, "x", AnyArray{}, AnyDictionary{}}},
    };
    const std::vector<std::pair<std::string, Any>> values{
        {"text", "héllo ✓"},
        {"bytesText", std::string("\xc3\x28 broken", 9)},
        {"zero", 0},
        {"big", std::numeric_limits<std::int64_t>::max()},
        {"negative", std::numeric_limits<std::int64_t>::min()},
        {"wholeDouble", 3.0},
        {"precise", 0.1 + 0.2},
        {"infinity", std::numeric_limits<double>::infinity()},
        {"false", false},
        {"date", Date(1489483613.25)},
        {"data", Data{0, 1, 2, 0xff, 0xfe}},
        {"emptyData", Data{}},
        {"nested", nested},
    };
    {
        UserDefaults defaults(file);
        for (const auto& [key, value] : values) defaults.set(value, key);
        defaults.set(std::numeric_limits<double>::quiet_NaN(), "nan");
    }
    UserDefaults reloaded(file);
    for (const auto& [key, value] : values) {
        auto loaded = reloaded.object(key);
        ASSERT_TRUE(loaded) << key;
        EXPECT_EQ(*loaded, value) << key << " came back as " << loaded->kindName();
    }
    ASSERT_TRUE(reloaded.object("nan") && reloaded.object("nan")->isDouble());
    EXPECT_TRUE(std::isnan(*reloaded.object("nan")->number()));
}

TEST_F(UserDefaultsFileTest, ChangesPersistAtOnceAndRemovalsToo) {
    UserDefaults first(file);
    first.set("alice", "userName");
    first.set("x", "temporary");
    first.remove("temporary");
    // No synchronize(): a second process reading now sees the change.
    UserDefaults second(file);
    EXPECT_EQ(second.string("userName"), "alice");
    EXPECT_EQ(second.object("temporary"), std::nullopt);
    EXPECT_TRUE(first.synchronize());
}

TEST_F(UserDefaultsFileTest, ValuesSetInMemoryBeforeTheFileIsGivenWinAndAreWritten) {
    {
        UserDefaults old(file);
        old.set("old", "a");
        old.set("kept", "b");
    }
    UserDefaults defaults;
    defaults.set("new", "a");
    ASSERT_TRUE(defaults.usePersistentFile(file));
    EXPECT_EQ(defaults.string("a"), "new");
    EXPECT_EQ(defaults.string("b"), "kept");
    UserDefaults reloaded(file);
    EXPECT_EQ(reloaded.string("a"), "new");
}

TEST_F(UserDefaultsFileTest, CrashBeforeRenameLeavesThePreviousFileWhole) {
    {
        UserDefaults defaults(file);
        defaults.set("before", "key");
        UserDefaultsTestApi::stopWritesBeforeRename(defaults, true);
        defaults.set("after", "key");
        EXPECT_FALSE(defaults.synchronize());
    }
    const auto names = filesInDirectory();
    ASSERT_GE(names.size(), 2u);  // the file and the abandoned temporaries
    EXPECT_EQ(names[0], "defaults.json");
    for (std::size_t i = 1; i < names.size(); ++i) EXPECT_EQ(names[i].rfind("defaults.json.tmp-", 0), 0u) << names[i];

    // The leftover temporary neither disturbs loading nor blocks the next write, and the load
    // clears it away.
    UserDefaults reloaded(file);
    EXPECT_EQ(reloaded.string("key"), "before");
    EXPECT_EQ(filesInDirectory(), std::vector<std::string>{"defaults.json"});
    reloaded.set("third", "key");
    EXPECT_EQ(UserDefaults(file).string("key"), "third");
}

// Only our own unlocked temporaries go: not a writer's that is still at work, nor anything that
// merely looks alike.
TEST_F(UserDefaultsFileTest, LoadingRemovesOnlyStaleTemporariesOfItsOwnFile) {
    const std::vector<std::string> kept = {"defaults.json.tmp-abc",    "defaults.json.tmp-abcdefg",
                                           "defaults.json.tmp-ab.def", "other.json.tmp-ABC123",
                                           "defaults.json.tmp-ABC123.bak", "defaults.json.corrupt-1"};
    for (const auto& name : kept) write(directory / name, "x");
    write(directory / "defaults.json.tmp-Stale1", "{\"half");
    write(directory / "defaults.json.tmp-Live22", "{\"half");
    const int live = ::open((directory / "defaults.json.tmp-Live22").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);

    UserDefaults defaults(file);
    defaults.set("v", "key");
    ::close(live);
    auto expected = kept;
    expected.push_back("defaults.json");
    expected.push_back("defaults.json.tmp-Live22");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(filesInDirectory(), expected);
}

// A writer killed at any moment leaves a file that parses and holds the value before or after the
// write it was in; the temporary it may leave is gone after the next load.
TEST_F(UserDefaultsFileTest, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewValue) {
    // 50 kills, or as many as fit in a few seconds on a slow (sanitized, busy) machine.
    constexpr int kills = 50;
    constexpr int leastKills = 20;
    const auto budgetEnd = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    int temporariesLeft = 0;
    std::int64_t lastReported = 0;
    for (int round = 0; round < kills && (round < leastKills || std::chrono::steady_clock::now() < budgetEnd);
         ++round) {
        SCOPED_TRACE("kill " + std::to_string(round));
        int pipe[2];
        ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
        std::string program = VELMARO_USER_DEFAULTS_WRITER;
        std::string path = file.string();
        char* argv[] = {program.data(), path.data(), nullptr};
        pid_t child = 0;
        const int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipe[1]);
        ASSERT_EQ(spawned, 0) << program;

        // Let it complete a few writes, then kill it somewhere inside a later one.
        std::string reported;
        const auto lines = [&] { return std::count(reported.begin(), reported.end(), '\n'); };
        const auto readSome = [&](int timeoutMs) {
            pollfd ready{pipe[0], POLLIN, 0};
            if (::poll(&ready, 1, timeoutMs) <= 0) return false;
            char buffer[4096];
            const ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
            if (n <= 0) return false;
            reported.append(buffer, static_cast<std::size_t>(n));
            return true;
        };
        while (lines() < 1 + round % 2 && readSome(20000)) {
        }
        const bool running = lines() > 0;
        if (running) {
            const timespec pause{0, static_cast<long>((round * 7919) % 3000) * 1000};
            ::nanosleep(&pause, nullptr);
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        while (readSome(0)) {
        }
        ::close(pipe[0]);
        ASSERT_TRUE(running) << "the writer did not start";
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        // The number of the last write the child saw finish.
        const std::string withoutLastNewline = reported.substr(0, reported.size() - 1);
        const auto lastLine = withoutLastNewline.substr(withoutLastNewline.rfind('\n') + 1);
        const std::int64_t committed = std::stoll(lastLine);
        EXPECT_GT(committed, lastReported);
        lastReported = committed;

        // Read as bytes first: the loader would move a corrupt file aside rather than fail.
        const auto document = nlohmann::json::parse(read(file), nullptr, false);
        ASSERT_FALSE(document.is_discarded()) << "the file does not parse";
        const auto counter = document["state"]["counter"].get<std::int64_t>();
        EXPECT_TRUE(counter == committed || counter == committed + 1) << counter << " after " << committed;
        const std::string blob = document["state"]["blob"].get<std::string>();
        EXPECT_EQ(blob.rfind(std::to_string(counter) + ";", 0), 0u);
        EXPECT_EQ(blob.size() % (std::to_string(counter).size() + 1), 0u);

        const auto names = filesInDirectory();
        temporariesLeft += static_cast<int>(names.size()) - 1;
        UserDefaults reloaded(file);
        ASSERT_EQ(filesInDirectory(), std::vector<std::string>{"defaults.json"});
        ASSERT_EQ(reloaded.object("state")->dictionary()->at("counter").integer(), counter);
        lastReported = counter;
    }
    RecordProperty("temporariesLeftByKills", temporariesLeft);
}

TEST_F(UserDefaultsFileTest, FailedWriteIsReportedKeptInMemoryAndRetriedBySynchronize) {
    const fs::path inMissingFolder = directory / "later" / "defaults.json";
    UserDefaults defaults(inMissingFolder);
    ::testing::internal::CaptureStderr();
    defaults.set("v", "key");
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("cannot write"), std::string::npos) << report;
    EXPECT_EQ(defaults.string("key"), "v");
    EXPECT_FALSE(defaults.synchronize());

    fs::create_directories(inMissingFolder.parent_path());
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(UserDefaults(inMissingFolder).string("key"), "v");
}

TEST_F(UserDefaultsFileTest, CorruptFileIsReportedOnceKeptAsideAndNeverOverwritten) {
    const std::string garbage = "{\"userName\": \"al";  // cut short
    write(file, garbage);
    ::testing::internal::CaptureStderr();
    UserDefaults defaults(file);
    defaults.set("bob", "userName");
    defaults.set("bob2", "userName");
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("corrupt"), std::string::npos) << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << "reported more than once: " << report;

    fs::path aside = file;
    aside += ".corrupt-1";
    EXPECT_EQ(read(aside), garbage);
    EXPECT_EQ(UserDefaults(file).string("userName"), "bob2");

    // A second corrupt file does not replace the first one kept aside.
    write(file, "[1, 2]");
    ::testing::internal::CaptureStderr();
    UserDefaults again(file);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(read(aside), garbage);
    fs::path secondAside = file;
    secondAside += ".corrupt-2";
    EXPECT_EQ(read(secondAside), "[1, 2]");
}

TEST_F(UserDefaultsFileTest, PathThatIsNotAFileIsLeftAloneAndValuesStayInMemory) {
    fs::create_directories(file / "inside");
    UserDefaults defaults;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(defaults.usePersistentFile(file));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("not a file"), std::string::npos);
    defaults.set("v", "key");
    EXPECT_EQ(defaults.persistentFile(), std::nullopt);
    EXPECT_TRUE(fs::is_directory(file / "inside"));
    EXPECT_EQ(filesInDirectory(), std::vector<std::string>{"defaults.json"});
}

TEST_F(UserDefaultsFileTest, UnknownTagIsCorruptNotSilentlyDropped) {
    write(file, R"({"a": {"$data": "not base64!"}})");
    ::testing::internal::CaptureStderr();
    UserDefaults defaults(file);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("corrupt"), std::string::npos);
    EXPECT_TRUE(defaults.dictionaryRepresentation().empty());
    EXPECT_TRUE(fs::exists(fs::path(file.string() + ".corrupt-1")));
}

TEST_F(UserDefaultsFileTest, ConcurrentWritersAndReadersLoseNothing) {
    UserDefaults defaults(file);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                defaults.set(i, "thread" + std::to_string(t));
                (void)defaults.string("thread0");
                (void)defaults.dictionaryRepresentation();
            }
        });
    for (auto& thread : threads) thread.join();
    UserDefaults reloaded(file);
    for (int t = 0; t < 4; ++t) EXPECT_EQ(reloaded.object("thread" + std::to_string(t)), Any(24));
}

}  // namespace
