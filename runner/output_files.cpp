// Looking at draxo-run's files before the run, and writing its outputs.
#include "output_files.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace draxo_run {
namespace {

namespace fs = std::filesystem;

constexpr int link_hops = 40;  // as the system allows in one path

// --- The platform's calls ------------------------------------------------------

#ifdef _WIN32

int open_existing(const fs::path& path, std::string& why_not) {
    int fd = ::_wopen(path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) why_not = std::strerror(errno);
    return fd;
}
int create_anew(const fs::path& path) {
    return ::_wopen(path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT | _O_CREAT | _O_TRUNC,
                    _S_IREAD | _S_IWRITE);
}
long write_some(int fd, const char* bytes, std::size_t size) {
    return ::_write(fd, bytes, static_cast<unsigned>(size > 0x40000000 ? 0x40000000 : size));
}
void close_file(int fd) { ::_close(fd); }
// Whether the file at `path` is the one draxo-run's descriptor `fd` writes
// to: not told here (there is no name for it but "-").
bool is_descriptor(const fs::path&, int) { return false; }
bool same_existing_file(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}
// A device (NUL, CON): what exists and is neither a file nor a folder.
bool is_character_device(const fs::path& path) {
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    return fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status);
}

#else

// Opens without waiting for a reader (a FIFO nobody reads is refused, not
// waited for), then writes as usual.
int open_existing(const fs::path& path, std::string& why_not) {
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why_not = errno == ENXIO ? "nobody reads it" : std::strerror(errno);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}
int create_anew(const fs::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}
long write_some(int fd, const char* bytes, std::size_t size) {
    ssize_t count;
    do count = ::write(fd, bytes, size);
    while (count < 0 && errno == EINTR);
    return static_cast<long>(count);
}
void close_file(int fd) { ::close(fd); }
bool is_descriptor(const fs::path& path, int fd) {
    struct stat named, open;
    return ::stat(path.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 && named.st_dev == open.st_dev &&
           named.st_ino == open.st_ino;
}
// By the system's numbers for a file: the library's comparison refuses
// pipes and devices.
bool same_existing_file(const fs::path& a, const fs::path& b) {
    struct stat first, second;
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}
bool is_character_device(const fs::path& path) {
    std::error_code error;
    return fs::is_character_file(path, error);
}

#endif

bool write_all(int fd, const std::string& bytes, std::string& why_not) {
    for (std::size_t at = 0; at < bytes.size();) {
        errno = 0;
        long written = write_some(fd, bytes.data() + at, bytes.size() - at);
        if (written <= 0) {
            why_not = std::strerror(written < 0 && errno ? errno : EIO);
            return false;
        }
        at += static_cast<std::size_t>(written);
    }
    return true;
}

// --- What a name leads to --------------------------------------------------------

// A name that leads to nothing yet, through any links to nothing, as the
// file that writing to it would make.
fs::path where_it_would_be(fs::path path) {
    std::error_code error;
    path = fs::absolute(path, error);
    for (int hop = 0; hop < link_hops && fs::is_symlink(fs::symlink_status(path, error)); ++hop) {
        fs::path link = fs::read_symlink(path, error);
        if (error) break;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return fs::weakly_canonical(path, error);
}

bool same_file(const fs::path& a, const fs::path& b) {
    std::error_code error;
    bool a_there = fs::exists(a, error), b_there = fs::exists(b, error);
    if (a_there && b_there) return same_existing_file(a, b);
    return !a_there && !b_there && where_it_would_be(a) == where_it_would_be(b);
}

fs::path name_of_standard_output() {
#ifdef _WIN32
    return {};
#else
    return "/dev/stdout";
#endif
}

// Written under a fresh name beside the target, then renamed over it.
bool replace_regular_file(const fs::path& target, const std::string& bytes, std::string& why_not) {
    fs::path fresh = target;
    fresh += ".draxo-run-" + std::to_string(std::random_device{}()) + ".tmp";
    {
        std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
        errno = 0;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            why_not = errno ? std::strerror(errno) : "it cannot be written";
            std::error_code ignored;
            fs::remove(fresh, ignored);
            return false;
        }
    }
    std::error_code renamed;
    fs::rename(fresh, target, renamed);
    if (!renamed) return true;
    why_not = renamed.message();
    std::error_code ignored;
    fs::remove(fresh, ignored);
    return false;
}

}  // namespace

bool find_output(const std::string& given, const char* option, output_target& out, std::string& why_not) {
    out = output_target{};
    out.given = given;
    if (given == "-") {
        out.kind = output_target::standard_output;
        return true;
    }
    std::error_code error;
    fs::path path = fs::absolute(given, error);
    fs::file_status status = fs::status(path, error);  // through links
    if (fs::is_directory(status)) {
        why_not = std::string(option) + " " + given + " is a folder";
        return false;
    }
    out.path = path;
    // draxo-run's own output by a name of it (/dev/stdout, a link to it, the
    // file it was sent to) is written through it: it may not be opened
    // again, and a file the shell opened for it must not be replaced.
    if (is_descriptor(path, 1) || is_descriptor(path, 2)) {
        out.kind = is_descriptor(path, 1) ? output_target::standard_output : output_target::standard_error;
        return true;
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        out.kind = output_target::special;
        return true;
    }
    out.kind = output_target::file;
    error.clear();
    out.path = fs::exists(status) ? fs::canonical(path, error) : where_it_would_be(path);
    if (error || !fs::is_directory(out.path.parent_path(), error)) {
        why_not = std::string(option) + " " + given + ": there is no folder " + path.parent_path().string();
        return false;
    }
    return true;
}

bool refuse_same_files(const std::vector<named_file>& files, std::string& why_not) {
    auto path_of = [](const named_file& f) {
        return f.given == "-" ? name_of_standard_output() : fs::path(f.given);
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t j = i + 1; j < files.size(); ++j) {
            const named_file &a = files[i], &b = files[j];
            if (!a.output && !b.output) continue;
            fs::path a_path = path_of(a), b_path = path_of(b);
            if (a_path.empty() || b_path.empty() || !same_file(a_path, b_path)) continue;
            if (a.output && b.output && is_character_device(a_path)) continue;
            why_not = a.option + " " + a.given + " and " + b.option + " " + b.given + " are the same file";
            return false;
        }
    }
    return true;
}

void clear_output(const output_target& target) {
    std::error_code error;
    if (target.kind == output_target::file && fs::is_regular_file(fs::symlink_status(target.path, error)))
        fs::remove(target.path, error);
}

bool write_whole_output(const output_target& target, const std::string& bytes, std::string& why_not) {
    if (target.kind == output_target::file) return replace_regular_file(target.path, bytes, why_not);
    streamed_output out;
    if (!out.open(target, why_not)) return false;
    out.write(bytes);
    why_not = out.failure();
    return why_not.empty();
}

streamed_output::~streamed_output() {
    if (own_) close_file(fd_);
}

bool streamed_output::open(const output_target& target, std::string& why_not) {
    switch (target.kind) {
    case output_target::none: return true;
    case output_target::standard_output: fd_ = 1; return true;
    case output_target::standard_error: fd_ = 2; return true;
    case output_target::special: fd_ = open_existing(target.path, why_not); break;
    case output_target::file:
        // Made anew: a file that has other names keeps what it holds there.
        clear_output(target);
        fd_ = create_anew(target.path);
        if (fd_ < 0) why_not = std::strerror(errno);
        break;
    }
    own_ = fd_ >= 0;
    return own_;
}

void streamed_output::write(const std::string& text) {
    if (fd_ < 0 || !failure_.empty() || text.empty()) return;
    write_all(fd_, text, failure_);
}

}  // namespace draxo_run
