// An assignment's folder: what assignment.json says, and the folder looked
// at before the run and written after it.
#include "assignment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/scratch_directory.h"

namespace draxo_run {
namespace {

namespace fs = std::filesystem;

TEST(AssignmentJson, EveryFieldWithItsValue) {
    assignment a;
    a.title = "Bounce";
    a.starter = "starter.c";
    a.arguments = {"42", "two words"};
    a.expected_status = 3;
    a.timeout_seconds = 20;
    a.grace_seconds = 0.5;
    a.seed = 4294967295u;
    EXPECT_EQ(assignment_json(a),
              "{\n"
              "  \"format\": \"draxo-assignment\",\n"
              "  \"version\": 1,\n"
              "  \"title\": \"Bounce\",\n"
              "  \"script\": \"script.scr\",\n"
              "  \"reference\": \"reference.png\",\n"
              "  \"starter\": \"starter.c\",\n"
              "  \"arguments\": [\"42\", \"two words\"],\n"
              "  \"expectedStatus\": 3,\n"
              "  \"timeoutSeconds\": 20,\n"
              "  \"graceSeconds\": 0.5,\n"
              "  \"seed\": 4294967295\n"
              "}\n");
}

TEST(AssignmentJson, WithoutAStarterItIsNullATitleIsAlwaysAValidStringSecondsAsWritten) {
    assignment a;
    a.title = "A \"quoted\" back\\slash\ttab\x01";
    std::string json = assignment_json(a);
    EXPECT_NE(json.find("\"starter\": null,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"arguments\": [],"), std::string::npos) << json;
    // Seconds as they were written, never with an exponent.
    a.timeout_seconds = 0.1;
    a.grace_seconds = 86400;
    json = assignment_json(a);
    EXPECT_NE(json.find("\"timeoutSeconds\": 0.1,\n  \"graceSeconds\": 86400,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"title\": \"A \\\"quoted\\\" back\\\\slash\\u0009tab\\u0001\","), std::string::npos)
        << json;
    // UTF-8 stays; anything else is read as Latin-1 and written as UTF-8.
    a.title = "\xC3\xA9t\xC3\xA9";
    EXPECT_NE(assignment_json(a).find("\"title\": \"\xC3\xA9t\xC3\xA9\","), std::string::npos);
    a.title = "\xE9t\xE9";
    EXPECT_NE(assignment_json(a).find("\"title\": \"\xC3\xA9t\xC3\xA9\","), std::string::npos);
}

TEST(AssignmentNames, TheStartersExtensionAndTheFoldersName) {
    EXPECT_EQ(starter_name("work/bounce.c"), "starter.c");
    EXPECT_EQ(starter_name("bounce.cpp"), "starter.cpp");
    EXPECT_EQ(starter_name("bounce"), "starter");
    EXPECT_EQ(folder_title("courses/bounce"), "bounce");
    EXPECT_EQ(folder_title("courses/bounce/"), "bounce");
    EXPECT_EQ(folder_title("courses/bounce/."), "bounce");
    EXPECT_EQ(folder_title("courses/x/../bounce"), "bounce");
}

class AssignmentFolder : public draxo::test::InScratchDirectory {};

TEST_F(AssignmentFolder, AFolderItMadeIsRemovedWhenNothingWasWritten) {
    {
        assignment_folder folder;
        std::string why_not;
        ASSERT_TRUE(folder.prepare("bounce", "", why_not)) << why_not;
        EXPECT_TRUE(fs::is_directory("bounce"));
    }
    EXPECT_FALSE(fs::exists("bounce"));
    // One that was there stays, empty or not.
    fs::create_directory("kept");
    {
        assignment_folder folder;
        std::string why_not;
        ASSERT_TRUE(folder.prepare("kept", "", why_not)) << why_not;
    }
    EXPECT_TRUE(fs::is_directory("kept"));
}

TEST_F(AssignmentFolder, ItsFilesWrittenWholeTheStarterWhenGiven) {
    assignment_folder folder;
    std::string why_not;
    ASSERT_TRUE(folder.prepare("bounce", "mine/bounce.c", why_not)) << why_not;
    EXPECT_EQ(folder.names(), "script.scr, starter.c, reference.png, assignment.json");
    write_file("bounce/reference.png", "an earlier one");
    assignment a;
    a.title = "Bounce";
    ASSERT_TRUE(folder.write("DRAXO_KBD(97);\r\n", "int main(void) {}\n", "PNG", a, why_not)) << why_not;
    std::ifstream script("bounce/script.scr", std::ios::binary);  // the same bytes, line ends too
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(script), {}), "DRAXO_KBD(97);\r\n");
    EXPECT_EQ(contents_of("bounce/starter.c"), "int main(void) {}\n");
    EXPECT_EQ(contents_of("bounce/reference.png"), "PNG");
    EXPECT_EQ(contents_of("bounce/assignment.json"), assignment_json(a));
}

TEST_F(AssignmentFolder, WhatCannotHoldAnAssignmentIsRefused) {
    write_file("class.scr", "DRAXO_KBD(97);\n");
    std::string why_not;
    EXPECT_FALSE(assignment_folder().prepare("class.scr", "", why_not));
    EXPECT_EQ(why_not, "--make-assignment class.scr is not a folder");
    EXPECT_FALSE(assignment_folder().prepare("no/such", "", why_not));
    EXPECT_EQ(why_not.rfind("cannot make the folder no/such: ", 0), 0u) << why_not;
    fs::create_directories("bounce/reference.png");
    EXPECT_FALSE(assignment_folder().prepare("bounce", "", why_not));
    EXPECT_EQ(why_not,
              "the assignment's file " + (fs::path("bounce") / "reference.png").string() + " is a folder");
}

TEST_F(AssignmentFolder, ItsFilesAreOutputsThatMayNotLeadToAnInput) {
    fs::create_directory("bounce");
    write_file("bounce/script.scr", "DRAXO_KBD(97);\n");
    assignment_folder folder;
    std::string why_not;
    ASSERT_TRUE(folder.prepare("bounce", "", why_not)) << why_not;
    std::vector<named_file> files = folder.outputs();
    files.push_back({"--script", "bounce/../bounce/script.scr", false});
    EXPECT_FALSE(refuse_same_files(files, why_not));
    EXPECT_EQ(why_not, "the assignment's file " + (fs::path("bounce") / "script.scr").string() +
                           " and --script bounce/../bounce/script.scr are the same file");
}

}  // namespace
}  // namespace draxo_run
