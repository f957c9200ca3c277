// The file-system calls of file_system.h, in each platform's form.
#include "file_system.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "file_size_signal.h"
#include "utf8_files.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#ifndef __wasi__
#include <sys/resource.h>

#include <csignal>
#endif
#endif

namespace draxo::files {
namespace {

#ifdef _WIN32

// Paths are UTF-8 and go to the wide-character functions (utf8_files.h):
// the narrow ones would take them in the system's code page.

// The system's error as an error number, for the errors a save meets.
int errno_of(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME: return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return EINVAL;
    }
}

int failed() {
    errno = errno_of(::GetLastError());
    return -1;
}

std::wstring full_path_of(const std::wstring& path) {
    DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    size = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    full.resize(size < full.size() ? size : 0);
    return full.empty() ? path : full;
}

// A fresh file opened without sharing its deletion is held from the moment
// it is made (see hold): no one else can remove it, or rename it, while it
// is open. It is renamed through this very handle (see rename).
int create_new(const char* path, bool) {
    HANDLE file = ::CreateFileW(wide_of(path).c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return failed();
    int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0) ::CloseHandle(file);
    return fd;
}
int hold(int, const char*) { return 0; }
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

// Whether a name in the path is longer than the system's file systems
// keep (255 characters), which Wine reports as a file not found.
bool name_too_long(const std::wstring& path) {
    std::size_t length = 0;
    for (wchar_t c : path) {
        length = c == L'\\' || c == L'/' ? 0 : length + 1;
        if (length > 255) return true;
    }
    return false;
}

int status(const char* path, bool, entry_status& out) {
    out = entry_status{};
    std::wstring name = wide_of(path);
    if (name_too_long(name)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    struct _stat64 s;
    if (::_wstat64(name.c_str(), &s) != 0) {
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
// Through the handle create_new opened, which no one else may remove or
// rename meanwhile; without `replace`, the system refuses a name taken.
int rename(int fd, const char*, const char* to, bool replace) {
    // The target's full name as the system's own calls take it.
    std::wstring target = full_path_of(wide_of(to));
    if (target.rfind(L"\\\\?\\", 0) == 0)
        target = L"\\??\\" + target.substr(4);
    else if (target.rfind(L"\\\\", 0) == 0)
        target = L"\\??\\UNC\\" + target.substr(2);
    else
        target = L"\\??\\" + target;
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = replace;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, target.data(), target.size() * sizeof(wchar_t));
    HANDLE file = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (!::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())))
        return failed();
    return 0;
}
int remove(const char* path) { return ::_wunlink(wide_of(path).c_str()); }
// The system refuses to remove a file held open without sharing its
// deletion, as a live save holds its fresh file.
int remove_unheld(const char* path) { return ::_wunlink(wide_of(path).c_str()); }

// The savers of a file share a mutex of the system named after the file's
// full name, in one case as the system compares names: the system takes it
// from a process that ends, however it ends, and it leaves nothing in the
// folder.
std::intptr_t lock(const char* path) {
    std::wstring name = wide_of(path);
    if (::GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) return failed();
    std::wstring full = full_path_of(name);
    ::CharLowerBuffW(full.data(), static_cast<DWORD>(full.size()));
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a: mutex names are short
    for (wchar_t c : full) hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    std::wstring mutex_name = L"Local\\draxo-save-";
    for (int shift = 60; shift >= 0; shift -= 4) mutex_name += L"0123456789abcdef"[(hash >> shift) & 15];
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, mutex_name.c_str());
    if (!mutex) return failed();
    // WAIT_ABANDONED: its last holder ended while holding it; it is ours now.
    DWORD waited = ::WaitForSingleObject(mutex, lock_patience_ms);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return reinterpret_cast<std::intptr_t>(mutex);
    if (waited == WAIT_TIMEOUT)
        errno = EWOULDBLOCK;
    else
        failed();
    int error = errno;
    ::CloseHandle(mutex);
    errno = error;
    return -1;
}
void unlock(std::intptr_t lock) {
    HANDLE mutex = reinterpret_cast<HANDLE>(lock);
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
}

bool process_running(long process) {
    HANDLE handle = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
    if (!handle) return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    bool running = ::GetExitCodeProcess(handle, &code) && code == STILL_ACTIVE;
    ::CloseHandle(handle);
    return running;
}
long this_process() { return static_cast<long>(::_getpid()); }
std::uint64_t file_size_limit() { return UINT64_MAX; }

// No FIFOs here; a directory or a device is refused before it is opened.
// The name goes to the narrow functions as it is: a stream's name is the
// package's own or comes from the environment, in the system's code page.
std::FILE* open_stream(const char* path, bool writing) {
    struct _stat64 status;
    if (::_stat64(path, &status) == 0 && !(status.st_mode & _S_IFREG)) {
        errno = EINVAL;
        return nullptr;
    }
    return std::fopen(path, writing ? "w" : "r");
}

#else

int create_new(const char* path, bool private_file) {
    return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, private_file ? 0600 : 0666);
}

// Whether `path` names the file open at `fd`; when it does not, errno
// tells whether anything is there (ENOENT) or another file (EAGAIN).
bool names(const char* path, int fd) {
    struct stat open_file, named;
    if (::fstat(fd, &open_file) != 0 || ::lstat(path, &named) != 0) return false;
    if (open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino) return true;
    errno = EAGAIN;
    return false;
}

// A descriptor of its own on the file at `path`, with the file's exclusive
// lock (flock) on it: waited for when `wait`, at most lock_patience_ms,
// otherwise refused (EWOULDBLOCK) while someone else has it. Where a server keeps the locks
// (NFS), an exclusive lock needs the file open for writing: that is tried
// when the file may not be read, or its lock not taken on a reading one.
// The lock goes with the last descriptor of it, so with the process too,
// however it ends.
constexpr int lock_poll_ms = 5;

// The file's exclusive lock, not waited for. WebAssembly's system interface
// has no locks: a program there is alone with its page's files, and takes
// each lock at once.
int take_lock(int fd) {
#ifdef __wasi__
    (void)fd;
    return 0;
#else
    return ::flock(fd, LOCK_EX | LOCK_NB);
#endif
}

int open_locked(const char* path, bool wait) {
    for (int access : {O_RDONLY, O_WRONLY}) {
        int fd = ::open(path, access | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) {
            if (access == O_RDONLY && errno == EACCES) continue;
            return -1;
        }
        int locked;
        for (int waited_ms = 0;; waited_ms += lock_poll_ms) {
            locked = take_lock(fd);
            if (locked == 0 || (errno != EINTR && errno != EWOULDBLOCK) || !wait || waited_ms >= lock_patience_ms)
                break;
            if (errno == EWOULDBLOCK) ::usleep(lock_poll_ms * 1000);
        }
        if (locked == 0) return fd;
        int error = errno;
        ::close(fd);
        errno = error;
        if (error != EBADF) return -1;
    }
    return -1;
}

// The fresh file's own lock, which a cleaner must take before it removes
// the file (remove_unheld). Between the creation and the lock a cleaner
// may have taken it: then the path names nothing, or it is about to.
int hold(int fd, const char* path) {
    int locked;
    do locked = take_lock(fd);
    while (locked != 0 && errno == EINTR);
    if (locked != 0 && errno == EWOULDBLOCK) {
        errno = ENOENT;
        return -1;
    }
    // (A file system that keeps no locks lets no cleaner take one either.)
    if (names(path, fd)) return 0;
    errno = ENOENT;
    return -1;
}
int open_for_writing(const char* path) { return ::open(path, O_WRONLY | O_CLOEXEC | O_NONBLOCK); }
int open_for_reading(const char* path) { return ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

// Opened without waiting, then looked at: a FIFO, a device or a directory
// is closed again at once. The stream itself blocks as any file's does.
std::FILE* open_stream(const char* path, bool writing) {
    int access = writing ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY;
    int fd = ::open(path, access | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, writing ? "w" : "r");
    if (!file) ::close(fd);
    return file;
}
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
#ifdef __wasi__
    // WebAssembly's system interface has neither owners nor modes to keep.
    (void)fd;
    (void)like;
    return 0;
#else
    // Only a privileged process may give a file away; a group of its own
    // the owner may. Whatever of the owner cannot be kept stays the process's.
    if (::fchown(fd, like.owner, like.group) != 0 && ::fchown(fd, static_cast<uid_t>(-1), like.group) != 0) {
    }
    return ::fchmod(fd, like.mode & 07777);
#endif
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
#ifdef __wasi__
    // No modes there: a file may be written as far as its folder lets it.
    out.mode = out.kind == entry_kind::directory ? 0777 : 0666;
#else
    out.mode = s.st_mode & 07777;
#endif
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
// Renames only while nothing has the name `to`.
int rename_unless_taken(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
#endif
    // A file system that cannot rename so (NFS): a second name, which the
    // system gives only while nothing has it, then the first one removed.
    if (::link(from, to) == 0) {
        ::unlink(from);
        return 0;
    }
    if (errno != EPERM && errno != EMLINK && errno != ENOSYS && errno != EOPNOTSUPP) return -1;
    // One with no second names either (the browser's runtime, some
    // removable disks): the name looked at, then taken. In the browser the
    // program is alone with its files on its one thread, so nothing comes
    // between the two.
    struct stat taken;
    if (::lstat(to, &taken) == 0) {
        errno = EEXIST;
        return -1;
    }
    if (errno != ENOENT) return -1;
    return ::rename(from, to);
}

int rename(int, const char* from, const char* to, bool replace) {
    if (!replace) return rename_unless_taken(from, to);
    return ::rename(from, to);
}
int remove(const char* path) { return ::unlink(path); }
// Only with the file's own lock, which its live save holds (see hold).
int remove_unheld(const char* path) {
    int fd = open_locked(path, false);
    if (fd < 0) return -1;
    int result = names(path, fd) ? ::unlink(path) : -1;
    int error = errno;
    ::close(fd);
    errno = error;
    return result;
}

// The file's exclusive lock (flock), on a descriptor that the lock's
// handle is. A file replaced while the lock was awaited is locked anew.
std::intptr_t lock(const char* path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = open_locked(path, true);
        if (fd < 0) return -1;
        if (names(path, fd)) return fd;
        int error = errno;
        ::close(fd);
        errno = error;
        if (error != EAGAIN) return -1;
    }
    return -1;
}
void unlock(std::intptr_t lock) { ::close(static_cast<int>(lock)); }

#ifdef __wasi__
// A program of WebAssembly's system interface knows no processes: its fresh
// files carry one number, and another run's are taken for live until they
// are old. It has no limit on a file's size either.
bool process_running(long) { return true; }
long this_process() { return 1; }
std::uint64_t file_size_limit() { return UINT64_MAX; }
#else
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
    .create_new = create_new,
    .hold = hold,
    .open_for_writing = open_for_writing,
    .open_for_reading = open_for_reading,
    .open_stream = open_stream,
    .read = read_bytes,
    .write = write_bytes,
    .flush = flush,
    .truncate = truncate,
    .close = close,
    .keep_owner_and_mode = keep_owner_and_mode,
    .status = status,
    .may_write = may_write,
    .read_link = read_link,
    .rename = rename,
    .remove = remove,
    .remove_unheld = remove_unheld,
    .lock = lock,
    .unlock = unlock,
    .list_directory = list_directory,
    .process_running = process_running,
    .this_process = this_process,
    .file_size_limit = file_size_limit,
};

}  // namespace

system_calls& system() {
    static system_calls calls = defaults;
    return calls;
}

const system_calls& default_system() { return defaults; }

}  // namespace draxo::files
