// The few calls on the file system that reading and safely writing files,
// and opening a file as a stream, make: open, read, write, flush to the
// disk, status, links, rename, remove, locks and listing a folder. They are
// gathered here, as entries of one table, so that each platform's form of a
// call is written once, and so that a test can make one of them fail (a
// flush to a full disk), or run another save in the middle of one, and see
// what becomes of the file. Paths are the bytes a caller gives; every call
// that fails returns -1 (or false, or null) with the system's error number
// in errno.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace draxo::files {

enum class entry_kind { none, regular, directory, symbolic_link, other };

// What is at a path.
struct entry_status {
    entry_kind kind = entry_kind::none;
    unsigned mode = 0;  // permission bits (07777)
    std::uint64_t size = 0;
    std::uint64_t links = 1;  // names the file has
    unsigned owner = 0;
    unsigned group = 0;
    std::int64_t modified = 0;  // seconds since the epoch
};

// The longest a saver waits for another's lock on a file (see lock).
constexpr int lock_patience_ms = 5000;

struct system_calls {
    // Creates a file that does not exist yet and opens it for writing: only
    // its owner may read it when `private_file`, otherwise as new files are.
    int (*create_new)(const char* path, bool private_file);
    // Holds the file that create_new has just made at `path`, open at `fd`,
    // until it is closed: no save's clearing of stale files (remove_unheld),
    // in any process, removes it meanwhile. Fails (ENOENT) when the path no
    // longer names that file: it was cleared before it could be held.
    int (*hold)(int fd, const char* path);
    // Opens an existing regular file for writing, from its start, without
    // emptying it.
    int (*open_for_writing)(const char* path);
    // Opens a file for reading, never waiting (a FIFO with no writer).
    int (*open_for_reading)(const char* path);
    // Opens a regular file as a stream, for reading or for writing (emptied,
    // or made); anything else (a FIFO, a device, a directory) is refused
    // without waiting (errno EINVAL, where the system has no reason of its
    // own).
    std::FILE* (*open_stream)(const char* path, bool writing);
    long (*read)(int fd, void* bytes, std::size_t size);
    // Writes at most `size` bytes; a write past the process's file-size
    // limit fails (errno EFBIG) instead of ending the process.
    long (*write)(int fd, const void* bytes, std::size_t size);
    // Makes what was written reach the disk.
    int (*flush)(int fd);
    int (*truncate)(int fd, std::uint64_t size);
    int (*close)(int fd);
    // Gives an open file this owner (where the process may) and these permissions.
    int (*keep_owner_and_mode)(int fd, const entry_status& like);
    // The status at a path; with `follow_link` false, a symbolic link's own.
    // A path where nothing is gives kind none and returns 0.
    int (*status)(const char* path, bool follow_link, entry_status& status);
    // Whether the process may write to the file at `path`.
    bool (*may_write)(const char* path);
    // The text of a symbolic link.
    int (*read_link)(const char* path, std::string& target);
    // Renames the file named `from`, open at `fd` as create_new opened it,
    // to `to`: replacing a file there when `replace`; otherwise only while
    // nothing has that name, and failing with EEXIST when something has.
    int (*rename)(int fd, const char* from, const char* to, bool replace);
    int (*remove)(const char* path);
    // Removes the file at `path` unless a save holds it (see hold). Fails
    // when it is held, or where that cannot be told.
    int (*remove_unheld)(const char* path);
    // Takes the lock that the savers of the file at `path` share, waiting
    // while another saver holds it, and returns it for unlock. It locks the
    // file the path names once the lock is taken: a file replaced during
    // the wait is locked anew. Fails with ENOENT when nothing is at the
    // path, with EWOULDBLOCK when another saver held it through the whole
    // lock_patience_ms (a saver stopped on the way never holds the others
    // up for longer), with another error where the file cannot be locked.
    // A process that ends, however it ends, leaves no lock behind.
    std::intptr_t (*lock)(const char* path);
    void (*unlock)(std::intptr_t lock);
    // The names in a folder, "." and ".." left out.
    int (*list_directory)(const char* path, std::vector<std::string>& names);
    // Whether a process of this number runs here. Only a hint: a process in
    // another container, or on another machine sharing the folder, is not
    // seen, and a number may have been given to another process since.
    bool (*process_running)(long process);
    long (*this_process)();
    // The process's limit on the size of a file it writes (UINT64_MAX: none).
    std::uint64_t (*file_size_limit)();
};

// The table every file operation goes through; a test may replace entries
// and must put back the default afterwards.
system_calls& system();
const system_calls& default_system();

}  // namespace draxo::files
