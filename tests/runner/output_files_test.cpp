// draxo-run's files looked at before the run: no output over what another
// option names, by whatever path; nothing but a regular file removed or
// replaced; what cannot be written said, not passed over.
#include "output_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// Devices, FIFOs, hard links and sockets are the system's: Windows lacks
// some of them.
#ifndef _WIN32
#define DRAXO_SYSTEM_FILES 1
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "support/scratch_directory.h"

namespace draxo_run {
namespace {

namespace fs = std::filesystem;

class OutputFiles : public draxo::test::InScratchDirectory {
protected:
    static std::string refused(const std::vector<named_file>& files) {
        std::string why_not;
        EXPECT_FALSE(refuse_same_files(files, why_not));
        return why_not;
    }
    static bool allowed(const std::vector<named_file>& files) {
        std::string why_not;
        return refuse_same_files(files, why_not);
    }
};

TEST_F(OutputFiles, AnOutputNamingAnInputOrAnotherOutputIsRefusedByAnyPathToIt) {
    write_file("class.scr", "DRAXO_KBD(97);\n");
    write_file("ref.png", "picture");
    fs::create_directory("sub");
    EXPECT_EQ(refused({{"--script", "class.scr", false}, {"--console", "class.scr", true}}),
              "--script class.scr and --console class.scr are the same file");
    EXPECT_EQ(refused({{"--expect", "ref.png", false}, {"--picture", "sub/../ref.png", true}}),
              "--expect ref.png and --picture sub/../ref.png are the same file");
    EXPECT_EQ(
        refused(
            {{"--expect", "ref.png", false}, {"the difference image", fs::absolute("ref.png").string(), true}}),
        "--expect ref.png and the difference image " + fs::absolute("ref.png").string() + " are the same file");
    // Two outputs that are not there yet.
    EXPECT_EQ(refused({{"--picture", "out.png", true}, {"--console", "sub/../out.png", true}}),
              "--picture out.png and --console sub/../out.png are the same file");
    // Two inputs may be one file; different files are no matter.
    EXPECT_TRUE(allowed({{"--script", "ref.png", false}, {"--expect", "ref.png", false}}));
    EXPECT_TRUE(
        allowed({{"--expect", "ref.png", false}, {"--picture", "out.png", true}, {"--console", "c", true}}));
}

#ifdef DRAXO_SYSTEM_FILES
TEST_F(OutputFiles, LinksOfBothKindsLeadToTheFileTheyName) {
    write_file("ref.png", "picture");
    fs::create_symlink("ref.png", "link.png");
    fs::create_hard_link("ref.png", "hard.png");
    fs::create_symlink("later.png", "dangling.png");
    EXPECT_FALSE(allowed({{"--expect", "ref.png", false}, {"--picture", "link.png", true}}));
    EXPECT_FALSE(allowed({{"--expect", "ref.png", false}, {"--picture", "hard.png", true}}));
    EXPECT_FALSE(allowed({{"--picture", "later.png", true}, {"--console", "dangling.png", true}}));
}

// The system's devices are named by links of the test's own: should the
// code remove what it is given, it removes the link, not the system's node.
TEST_F(OutputFiles, OutputsMayShareTheNullDeviceButNotStandardOutput) {
    fs::create_symlink("/dev/null", "null-device");
    EXPECT_TRUE(allowed({{"--picture", "null-device", true}, {"--console", "/dev/null", true}}));
    int descriptors[2];
    ASSERT_EQ(::pipe(descriptors), 0);
    int kept = ::dup(1);
    ::dup2(descriptors[1], 1);
    bool mixed = allowed({{"--console", "-", true}, {"--picture", "/dev/stdout", true}});
    ::dup2(kept, 1);
    for (int fd : {kept, descriptors[0], descriptors[1]}) ::close(fd);
    EXPECT_FALSE(mixed);
}

TEST_F(OutputFiles, WhatIsNotARegularFileIsWrittenIntoAndNeverRemoved) {
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);
    output_target target;
    std::string why_not;
    ASSERT_TRUE(find_output("fifo", "--console", target, why_not)) << why_not;
    EXPECT_EQ(target.kind, output_target::special);
    clear_output(target);
    EXPECT_TRUE(fs::is_fifo("fifo"));
    // Nobody reads it: refused at once, not waited for.
    streamed_output out;
    EXPECT_FALSE(out.open(target, why_not));
    EXPECT_EQ(why_not, "nobody reads it");
    // Somebody does: what is written arrives.
    int reader = ::open("fifo", O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(out.open(target, why_not)) << why_not;
    out.write("a line\n");
    char got[16] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 7);
    EXPECT_STREQ(got, "a line\n");
    ::close(reader);

    fs::create_symlink("/dev/null", "null-device");
    ASSERT_TRUE(find_output("null-device", "--picture", target, why_not));
    EXPECT_EQ(target.kind, output_target::special);
    clear_output(target);
    EXPECT_TRUE(fs::is_symlink("null-device"));
    EXPECT_TRUE(fs::is_character_file("null-device"));
    EXPECT_TRUE(write_whole_output(target, "picture", why_not)) << why_not;
}

TEST_F(OutputFiles, AnOutputThatCannotTakeWhatIsWrittenSaysWhy) {
    output_target target;
    std::string why_not;
    fs::create_symlink("/dev/full", "full-device");
    ASSERT_TRUE(find_output("full-device", "--console", target, why_not));
    streamed_output out;
    ASSERT_TRUE(out.open(target, why_not));
    out.write("lost\n");
    EXPECT_EQ(out.failure(), "No space left on device");
    EXPECT_FALSE(write_whole_output(target, "picture", why_not));
    EXPECT_EQ(why_not, "No space left on device");
}

TEST_F(OutputFiles, ANameOfStandardOutputIsWrittenThroughItEvenWhenItCannotBeOpenedAgain) {
    // A socket as standard output: /dev/stdout names it, and cannot be
    // opened again.
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    int kept = ::dup(1);
    ::dup2(pair[0], 1);
    output_target target;
    std::string why_not;
    bool found = find_output("/dev/stdout", "--console", target, why_not);
    streamed_output out;
    bool opened = found && out.open(target, why_not);
    out.write("through standard output\n");
    ::dup2(kept, 1);
    ::close(kept);
    ASSERT_TRUE(opened) << why_not;
    EXPECT_EQ(target.kind, output_target::standard_output);
    char got[64] = {};
    EXPECT_EQ(::read(pair[1], got, sizeof got), 24);
    EXPECT_STREQ(got, "through standard output\n");
    ::close(pair[0]);
    ::close(pair[1]);
}
#endif

TEST_F(OutputFiles, ARegularFileIsRemovedBeforeTheRunAndReplacedWhole) {
    write_file("out.png", "from an earlier run");
    output_target target;
    std::string why_not;
    ASSERT_TRUE(find_output("out.png", "--picture", target, why_not));
    EXPECT_EQ(target.kind, output_target::file);
    clear_output(target);
    EXPECT_FALSE(fs::exists("out.png"));
    ASSERT_TRUE(write_whole_output(target, "this run's", why_not)) << why_not;
    EXPECT_EQ(contents_of("out.png"), "this run's");
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);  // nothing left beside it
}

#ifdef DRAXO_SYSTEM_FILES
TEST_F(OutputFiles, AConsoleFileIsMadeAnewSoThatItsOtherNamesKeepWhatTheyHold) {
    write_file("last-week.txt", "last week's console");
    fs::create_hard_link("last-week.txt", "console.txt");
    output_target target;
    std::string why_not;
    ASSERT_TRUE(find_output("console.txt", "--console", target, why_not));
    {
        streamed_output out;
        ASSERT_TRUE(out.open(target, why_not)) << why_not;
        out.write("this run's\n");
    }
    EXPECT_EQ(contents_of("console.txt"), "this run's\n");
    EXPECT_EQ(contents_of("last-week.txt"), "last week's console");
}
#endif

TEST_F(OutputFiles, AFolderOrANameInNoFolderIsNoOutput) {
    fs::create_directory("results");
    output_target target;
    std::string why_not;
    EXPECT_FALSE(find_output("results", "--picture", target, why_not));
    EXPECT_EQ(why_not, "--picture results is a folder");
    EXPECT_FALSE(find_output("no/such/out.png", "--picture", target, why_not));
    EXPECT_EQ(why_not.rfind("--picture no/such/out.png: there is no folder ", 0), 0u) << why_not;
}

}  // namespace
}  // namespace draxo_run
