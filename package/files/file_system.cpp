// The file-system calls of file_system.h, in each platform's form.
#include "file_system.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "file_size_signal.h"
#include "utf8_files.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

namespace draxo::files {
namespace {

#ifdef _WIN32

// Paths are UTF-8 and go to the wide-character functions (utf8_files.h):
// the narrow ones would take them in the system's code page.
int create_new(const char* path, bool) {
    return ::_wopen(wide_of(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
}
int open_for_writing(const char* path) {
    return ::_wopen(wide_of(path).c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
}
int open_for_reading(const char* path) {
    return ::_wopen(wide_of(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
long read_bytes(int fd, void* bytes, std::size_t size) {
    return ::_read(fd, bytes, static_cast<unsigned>(size > 0x40000000 ? 0x40000000 : size));
}
long write_bytes(int fd, const void* bytes, std::size_t size) {
    return ::_write(fd, bytes, static_cast<unsigned>(size > 0x40000000 ? 0x40000000 : size));
}
int flush(int fd) { return ::_commit(fd); }
int truncate(int fd, std::uint64_t size) {
    errno = ::_chsize_s(fd, static_cast<long long>(size));
    return errno == 0 ? 0 : -1;
}
int close(int fd) { return ::_close(fd); }
// Files here have no owner the process could give, and their one
// permission, writing, is refused before a file is replaced.
int keep_owner_and_mode(int, const entry_status&) { return 0; }

int status(const char* path, bool, entry_status& out) {
    out = entry_status{};
    struct _stat64 s;
    if (::_wstat64(wide_of(path).c_str(), &s) != 0) {
        if (errno != ENOENT) return -1;
        return 0;
    }
    out.kind = (s.st_mode & _S_IFMT) == _S_IFREG   ? entry_kind::regular
               : (s.st_mode & _S_IFMT) == _S_IFDIR ? entry_kind::directory
                                                   : entry_kind::other;
    out.mode = (s.st_mode & _S_IWRITE) ? 0666u : 0444u;
    out.size = static_cast<std::uint64_t>(s.st_size);
    out.links = 1;
    out.modified = static_cast<std::int64_t>(s.st_mtime);
    return 0;
}
bool may_write(const char* path) { return ::_waccess(wide_of(path).c_str(), 2) == 0; }
int read_link(const char*, std::string&) {
    errno = EINVAL;
    return -1;
}
int rename(const char* from, const char* to) {
    std::error_code error;
    std::filesystem::rename(path_of(from), path_of(to), error);
    if (!error) return 0;
    errno = error.value();
    return -1;
}
int remove(const char* path) { return ::_wunlink(wide_of(path).c_str()); }
bool process_running(long) { return false; }
long this_process() { return static_cast<long>(::_getpid()); }
std::uint64_t file_size_limit() { return UINT64_MAX; }

#else

int create_new(const char* path, bool private_file) {
    return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, private_file ? 0600 : 0666);
}
int open_for_writing(const char* path) { return ::open(path, O_WRONLY | O_CLOEXEC | O_NONBLOCK); }
int open_for_reading(const char* path) { return ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK); }
long read_bytes(int fd, void* bytes, std::size_t size) {
    ssize_t count;
    do count = ::read(fd, bytes, size);
    while (count < 0 && errno == EINTR);
    return static_cast<long>(count);
}
long write_bytes(int fd, const void* bytes, std::size_t size) {
    file_size_signal_held held;
    ssize_t count;
    do count = ::write(fd, bytes, size);
    while (count < 0 && errno == EINTR);
    return static_cast<long>(count);
}
int flush(int fd) { return ::fsync(fd); }
int truncate(int fd, std::uint64_t size) {
    file_size_signal_held held;
    return ::ftruncate(fd, static_cast<off_t>(size));
}
int close(int fd) { return ::close(fd); }

int keep_owner_and_mode(int fd, const entry_status& like) {
    // Only a privileged process may give a file away; a group of its own
    // the owner may. Whatever of the owner cannot be kept stays the process's.
    if (::fchown(fd, like.owner, like.group) != 0 && ::fchown(fd, static_cast<uid_t>(-1), like.group) != 0) {
    }
    return ::fchmod(fd, like.mode & 07777);
}

entry_kind kind_of(mode_t mode) {
    if (S_ISREG(mode)) return entry_kind::regular;
    if (S_ISDIR(mode)) return entry_kind::directory;
    if (S_ISLNK(mode)) return entry_kind::symbolic_link;
    return entry_kind::other;
}

int status(const char* path, bool follow_link, entry_status& out) {
    out = entry_status{};
    struct stat s;
    if ((follow_link ? ::stat(path, &s) : ::lstat(path, &s)) != 0) return errno == ENOENT ? 0 : -1;
    out.kind = kind_of(s.st_mode);
    out.mode = s.st_mode & 07777;
    out.size = static_cast<std::uint64_t>(s.st_size);
    out.links = static_cast<std::uint64_t>(s.st_nlink);
    out.owner = s.st_uid;
    out.group = s.st_gid;
    out.modified = static_cast<std::int64_t>(s.st_mtime);
    return 0;
}
bool may_write(const char* path) { return ::access(path, W_OK) == 0; }

int read_link(const char* path, std::string& target) {
    char buffer[4096];
    ssize_t length = ::readlink(path, buffer, sizeof buffer);
    if (length < 0) return -1;
    if (static_cast<std::size_t>(length) == sizeof buffer) {
        errno = ENAMETOOLONG;
        return -1;
    }
    target.assign(buffer, static_cast<std::size_t>(length));
    return 0;
}
int rename(const char* from, const char* to) {
#ifdef __EMSCRIPTEN__
    // The browser's file system keeps a file that a rename replaces in its
    // table of names: once the new file is removed, the old one would be
    // found under the name again, bytes and all. So the file replaced is
    // removed first. Nothing else runs on the page's one thread between the
    // two calls, so no one sees the name missing; and only a regular file
    // replacing one on the same file system (the rename cannot fail then).
    struct stat source, target;
    if (::lstat(from, &source) == 0 && ::lstat(to, &target) == 0 && S_ISREG(source.st_mode) &&
        S_ISREG(target.st_mode) && source.st_dev == target.st_dev && source.st_ino != target.st_ino)
        ::unlink(to);
#endif
    return ::rename(from, to);
}
int remove(const char* path) { return ::unlink(path); }
bool process_running(long process) {
    return process > 0 && (::kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM);
}
long this_process() { return static_cast<long>(::getpid()); }
std::uint64_t file_size_limit() {
    rlimit limit;
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
    return static_cast<std::uint64_t>(limit.rlim_cur);
}

#endif

int list_directory(const char* path, std::vector<std::string>& names) {
    names.clear();
    std::error_code error;
    std::filesystem::directory_iterator entries(path_of(*path ? path : "."), error), end;
    for (; !error && entries != end; entries.increment(error))
        names.push_back(name_of(entries->path().filename()));
    if (!error) return 0;
    errno = error.value();
    return -1;
}

constexpr system_calls defaults{
    create_new,     open_for_writing,    open_for_reading, read_bytes,      write_bytes, flush,  truncate,
    close,          keep_owner_and_mode, status,           may_write,       read_link,   rename, remove,
    list_directory, process_running,     this_process,     file_size_limit,
};

}  // namespace

system_calls& system() {
    static system_calls calls = defaults;
    return calls;
}

const system_calls& default_system() { return defaults; }

}  // namespace draxo::files
