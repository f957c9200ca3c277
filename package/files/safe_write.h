// Reading small files, and writing a file so that nothing is lost on the
// way: the bytes go to a fresh file beside the target, are flushed to the
// disk and only then renamed over it, so that a failure at any step (a full
// disk, a file-size limit, a crash) leaves the version before as it was.
// Shared by the package (saving pictures) and the card designer (card
// files); every call on the file system goes through file_system.h.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace draxo::files {

// The fresh files are hidden, named ".draxo-<process>-<8 hex digits>.tmp".
// A save holds its fresh file from its creation to its rename; one that no
// save holds any more, left by a process that no longer runs (a save killed
// on the way) or an hour old, is removed by the next save in its folder.
constexpr const char* temporary_prefix = ".draxo-";
constexpr const char* temporary_suffix = ".tmp";
// Older namings of the same files, removed once they are an hour old.
constexpr long old_temporary_age = 3600;

// What the writer expects at the target before it replaces it: anything,
// nothing at all, or a file holding exactly these bytes (the ones last read
// from it or written to it). A target that is not as expected is left alone.
// The check and the replacement are one step for every writer that goes
// through here, in any process: none replaces the target in between.
struct expectation {
    enum kind { anything, nothing_there, these_bytes } what = anything;
    std::string bytes;
};

struct write_result {
    enum outcome { written, changed, failed } outcome = failed;
    // failed: why, to be shown to the user ("File too large", "the file is
    // read-only"). changed: the target is not as expected, nothing written.
    std::string why_not;
    // written, but not through a fresh file: why that could not be done
    // (the file has other links, its folder cannot be written to). Empty
    // for the safe way.
    std::string in_place_because;
    bool ok() const { return outcome == written; }
};

// Writes `bytes` as the file at `path`. A symbolic link is followed to the
// file it names, which is the one replaced (a link to nothing gets that
// file). The file keeps its permissions (and its owner, where the process
// may give it). A file that may not be written (no write permission) is
// refused; so is anything but a regular file. A file with other hard links,
// or in a folder where no fresh file can be made, is written in place, so
// that every name of it sees the new bytes.
write_result replace_file(const std::string& path, std::string_view bytes, const expectation& expected = {});

struct read_result {
    bool ok = false;
    bool missing = false;  // nothing at the path
    std::string bytes;     // at most the limit's bytes
    std::string why_not;
};
// Reads at most `limit` bytes of the regular file at `path` (a folder, a
// device or a FIFO is refused before it is opened for long).
read_result read_small_file(const std::string& path, std::size_t limit);

// Whether anything, a symbolic link to nothing included, has this name. A
// name whose status cannot be had is taken, and `why_not` says why (a name
// too long, a folder that may not be searched).
bool name_taken(const std::string& path, std::string& why_not);
bool name_taken(const std::string& path);

// Removes the temporary files of saves that ended on the way from the
// folder, only those that no save holds. Called by every replace_file.
void clear_stale_temporaries(const std::string& folder);

}  // namespace draxo::files
