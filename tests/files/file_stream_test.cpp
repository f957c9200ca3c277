// Streams over regular files, as the script file is recorded and played
// back: a stream for writing empties or makes its file, one for reading
// reads it, and anything but a regular file is refused at once, both ways,
// without waiting for a program at the other end of a FIFO.
#include "files/file_stream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "files/file_system.h"
#include "support/scratch_directory.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace draxo::files {
namespace {

struct FileStream : test::InScratchDirectory {
    void TearDown() override {
        system() = default_system();
        test::InScratchDirectory::TearDown();
    }

    // The whole stream's bytes, read through it.
    static std::string all_of(std::FILE* stream) {
        std::string bytes;
        for (int c; (c = std::fgetc(stream)) != EOF;) bytes += static_cast<char>(c);
        return bytes;
    }

    // Refused both ways, with a reason in errno.
    static void refused_both_ways(const char* path) {
        for (bool writing : {false, true}) {
            errno = 0;
            EXPECT_EQ(open_file_stream(path, writing), nullptr)
                << path << (writing ? " for writing" : " for reading");
            EXPECT_NE(errno, 0) << path;
        }
    }
};

TEST_F(FileStream, WritingMakesOrEmptiesTheFileAndReadingReadsIt) {
    std::FILE* out = open_file_stream("script.txt", true);
    ASSERT_NE(out, nullptr);
    EXPECT_GE(std::fputs("a longer first version\n", out), 0);
    std::fclose(out);
    out = open_file_stream("script.txt", true);
    ASSERT_NE(out, nullptr);
    EXPECT_GE(std::fputs("second\n", out), 0);
    std::fclose(out);

    std::FILE* in = open_file_stream("script.txt", false);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(all_of(in), "second\n");
    std::fclose(in);
}

TEST_F(FileStream, AFileThatIsNotThereIsNoStreamToReadAndNoFileIsMade) {
    EXPECT_EQ(open_file_stream("missing.txt", false), nullptr);
    EXPECT_FALSE(std::filesystem::exists("missing.txt"));
}

TEST_F(FileStream, AFolderIsRefusedBothWays) {
    ASSERT_TRUE(std::filesystem::create_directory("folder"));
    refused_both_ways("folder");
    EXPECT_TRUE(std::filesystem::is_directory("folder"));
}

// Neither FIFOs nor devices are there on Windows.
#ifndef _WIN32
TEST_F(FileStream, AFifoOrADeviceIsRefusedBothWaysWithoutWaiting) {
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    refused_both_ways("pipe");
    std::filesystem::create_symlink("/dev/null", "device");
    refused_both_ways("device");
}
#endif

// The stream is opened through the file-system table, so that a test can
// make the opening fail as a full or read-only disk would.
TEST_F(FileStream, TheOpeningGoesThroughTheFileSystemTable) {
    system().open_stream = [](const char*, bool) -> std::FILE* {
        errno = EROFS;
        return nullptr;
    };
    errno = 0;
    EXPECT_EQ(open_file_stream("script.txt", true), nullptr);
    EXPECT_EQ(errno, EROFS);
    EXPECT_FALSE(std::filesystem::exists("script.txt"));
}

}  // namespace
}  // namespace draxo::files
