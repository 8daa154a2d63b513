#pragma once

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

// An empty folder of the running test's own, removed with the fixture that holds it. Named by
// process and test: ctest runs tests in parallel processes, and with address randomisation off
// (the tsan run) their fixtures share addresses.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix)
        : path_(std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(::getpid()) + "-" + testName())) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    static std::string testName() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? info->name() : "no-test";
        std::replace(name.begin(), name.end(), '/', '-');  // parameterised tests
        return name;
    }

    std::filesystem::path path_;
};
