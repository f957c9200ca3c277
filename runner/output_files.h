// draxo-run's files: the ones it reads (the script, the reference picture,
// the program) and the ones it writes (the picture, its difference image,
// the console), each looked at before anything is written, so that no
// output is written over what another option names, and nothing but a
// regular file is ever removed or replaced: a device, a FIFO or draxo-run's
// own standard output named as an output is written into as it is.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace draxo_run {

// Where an output goes.
struct output_target {
    enum kind_t {
        none,             // not asked for
        file,             // a regular file, or nothing yet: replaced or made anew
        special,          // a device, a FIFO, a terminal: written into as it is
        standard_output,  // draxo-run's own ("-", or a name of it such as /dev/stdout)
        standard_error,   // draxo-run's own, by a name of it
    } kind = none;
    std::string given;           // as the user wrote it
    std::filesystem::path path;  // what it leads to, links followed
};

// Looks at where the output `given` (of `option`) goes; "-" is standard
// output. False, with the reason, for a folder or a name in a folder that
// does not exist.
bool find_output(const std::string& given, const char* option, output_target& out, std::string& why_not);

// A file an option names, for refuse_same_files.
struct named_file {
    std::string option;  // "--picture", or what the message calls it
    std::string given;
    bool output = false;
};
// Refuses, with the reason, two of the files that lead to the same file
// when one of them is an output (it would be written over the other): by
// another name, a link, "..", or a hard link. Outputs may share a
// character device (the null device): writing to one loses nothing.
bool refuse_same_files(const std::vector<named_file>& files, std::string& why_not);

// Removes the regular file an output names, left by an earlier run, so that
// it is not taken for this run's; anything else is left as it is.
void clear_output(const output_target& target);
// Writes an output whole: a regular file under a fresh name beside it,
// renamed over it; anything else written into.
bool write_whole_output(const output_target& target, const std::string& bytes, std::string& why_not);

// An output written as its text comes (the console): a regular file made
// anew (the one there removed first), anything else written into as it is.
class streamed_output {
public:
    streamed_output() = default;
    ~streamed_output();
    streamed_output(const streamed_output&) = delete;
    streamed_output& operator=(const streamed_output&) = delete;

    // False, with the reason, when it cannot be opened for writing (a FIFO
    // nobody reads, a device that may not be written).
    bool open(const output_target& target, std::string& why_not);
    // Writes all of it, through to the file; after a failure nothing more
    // is written, and failure() says why.
    void write(const std::string& text);
    const std::string& failure() const { return failure_; }

private:
    int fd_ = -1;
    bool own_ = false;  // opened here, and closed here
    std::string failure_;
};

}  // namespace draxo_run
