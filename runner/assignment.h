// An assignment: the folder a teacher publishes beside the browser
// playground, from which a student's program is checked as draxo-run grades
// it. draxo-run --make-assignment makes it from the teacher's solution:
//
//   assignment.json  what the check needs to know (below)
//   script.scr       the script the program is played, byte for byte
//   reference.png    the picture the solution last showed, as --picture
//                    writes it
//   starter.c        the program students start from, when one is given
//                    (its own extension kept: starter.cpp)
//
// assignment.json, UTF-8:
//   {"format": "draxo-assignment", "version": 1, "title": ...,
//    "script": "script.scr", "reference": "reference.png",
//    "starter": "starter.c" (or null), "arguments": [...],
//    "expectedStatus": 0,
//    "timeoutSeconds": 60, "graceSeconds": 3, "seed": 1}
// A reader takes the files' names from it, not from this list, and refuses
// another format or a version it does not know; a later version only adds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "output_files.h"

namespace draxo_run {

constexpr int assignment_version = 1;
constexpr const char* assignment_file = "assignment.json";
constexpr const char* assignment_script = "script.scr";
constexpr const char* assignment_reference = "reference.png";

struct assignment {
    std::string title;
    std::string starter;                 // its name in the folder; empty: none
    std::vector<std::string> arguments;  // the solution's, which the check gives the program too
    int expected_status = 0;
    double timeout_seconds = 0;  // 0: none
    double grace_seconds = 0;
    std::uint32_t seed = 1;
};

// The starter's name in the folder, from the name it was given:
// "starter" and its extension ("bounce.c" gives "starter.c").
std::string starter_name(const std::string& given);

// The title of an assignment without one: its folder's name, as UTF-8
// ("bounce" for "bounce/", and for "." in it).
std::string folder_title(const std::string& given);

// assignment.json's text, ending in a newline.
std::string assignment_json(const assignment& a);

// The folder, looked at before the run as draxo-run's other outputs are, and
// written after it only when the run can be a reference: so that a run that
// fails leaves an assignment made before as it was.
class assignment_folder {
public:
    assignment_folder() = default;
    ~assignment_folder();
    assignment_folder(const assignment_folder&) = delete;
    assignment_folder& operator=(const assignment_folder&) = delete;

    // Looks at the folder `given` and at the files it will hold, the
    // starter's named after `starter_given` (empty: none); makes the folder
    // when it is not there but the folder it goes in is. False, with the
    // reason, for a name that is no folder, or a file in it that is a folder.
    bool prepare(const std::string& given, const std::string& starter_given, std::string& why_not);
    // Its files as outputs, for refuse_same_files.
    std::vector<named_file> outputs() const;
    // The names of its files, comma-separated.
    std::string names() const;
    // Writes its files, each whole, assignment.json last; false, with the
    // reason, at the first that cannot be written.
    bool write(const std::string& script, const std::string& starter, const std::string& reference_png,
               const assignment& a, std::string& why_not);

private:
    struct file {
        std::string name;
        output_target target;
    };
    std::string given_;
    std::filesystem::path made_;  // the folder when prepare made it, removed again if left empty
    std::vector<file> files_;
};

}  // namespace draxo_run
