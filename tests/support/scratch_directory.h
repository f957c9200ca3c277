// A fixture that runs each test in an empty directory of its own (the script
// file lives in the current directory) and removes it afterwards.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace draxo::test {

class InScratchDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/draxo-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        directory_ = pattern;
        std::filesystem::current_path(directory_);
    }
    void TearDown() override {
        std::filesystem::current_path("/");
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    static void write_file(const std::string& name, const std::string& content) {
        std::ofstream(name, std::ios::binary) << content;
    }
    static std::string read_file(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path directory_;
};

}  // namespace draxo::test
