// A fixture that runs each test in an empty directory of its own (the script
// file lives in the current directory) and removes it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace draxo::test {

class InScratchDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        // A fresh name in the system's folder for temporary files; taken
        // only when it did not exist yet.
        std::random_device seed;
        std::mt19937_64 names(
            seed() ^ static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
        std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && directory_.empty(); ++attempt) {
            std::filesystem::path candidate = base / ("draxo-test-" + std::to_string(names()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) directory_ = candidate;
        }
        ASSERT_FALSE(directory_.empty());
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(directory_);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    static void write_file(const std::string& name, const std::string& content) {
        std::ofstream(name, std::ios::binary) << content;
    }
    // The file's contents, read as a text file: on Windows, where the script
    // file's lines end in CR LF, they read as they do on Linux.
    static std::string contents_of(const std::string& name) {
        std::ifstream in(name);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path directory_;
    std::filesystem::path previous_;
};

}  // namespace draxo::test
