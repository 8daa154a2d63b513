#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzTargets.h"

namespace {

namespace fs = std::filesystem;

const fs::path fuzzFolder = VELMARO_FUZZ_DIR;

std::vector<fs::path> inputsOf(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(folder, missing))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FuzzInputs : public ::testing::TestWithParam<FuzzTarget> {};

// Every kept input, seeds and the crashes found once, goes through its entry function again: a
// regression crashes, trips a sanitizer or aborts on a broken invariant.
TEST_P(FuzzInputs, EveryKeptInputRunsCleanly) {
    const FuzzTarget target = GetParam();
    const auto seeds = inputsOf(fuzzFolder / "corpus" / target.name);
    EXPECT_FALSE(seeds.empty()) << "no seed corpus for " << target.name;
    auto inputs = seeds;
    const auto regressions = inputsOf(fuzzFolder / "regressions" / target.name);
    inputs.insert(inputs.end(), regressions.begin(), regressions.end());
    for (const auto& file : inputs) {
        SCOPED_TRACE(file.string());
        const auto bytes = bytesOf(file);
        EXPECT_EQ(target.run(bytes.data(), bytes.size()), 0);
    }
    // The empty input is every fuzzer's first.
    EXPECT_EQ(target.run(nullptr, 0), 0);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzInputs, ::testing::ValuesIn(fuzzTargets()),
                         [](const auto& target) { return std::string(target.param.name); });

// A folder named for no target would be skipped silently.
TEST(FuzzInputFolders, EachNamesATarget) {
    for (const char* kind : {"corpus", "regressions"}) {
        std::error_code missing;
        for (const auto& entry : fs::directory_iterator(fuzzFolder / kind, missing)) {
            if (!entry.is_directory()) continue;
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(std::any_of(fuzzTargets().begin(), fuzzTargets().end(),
                                    [&](const FuzzTarget& target) { return name == target.name; }))
                << kind << "/" << name;
        }
    }
}

}  // namespace
