// Writing the run's report to draxo-run's pipe.
#include "run_report.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#endif

namespace draxo {
namespace {

int report = -1;  // the pipe's descriptor, or -1

// The descriptor of the pipe a decimal number names: a file descriptor, on
// Windows a handle, inherited from draxo-run; -1 when it names none.
int pipe_named(const std::string& number) {
    if (number.empty() || number.size() > 19 ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    unsigned long long value = std::strtoull(number.c_str(), nullptr, 10);
#ifdef _WIN32
    int fd = ::_open_osfhandle(static_cast<std::intptr_t>(value), _O_WRONLY | _O_BINARY);
    struct _stat64 status;
    if (fd < 0 || ::_fstat64(fd, &status) != 0 || !(status.st_mode & _S_IFIFO)) return -1;
    return fd;
#else
    if (value > INT_MAX) return -1;
    int fd = static_cast<int>(value);
    struct stat status;
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY || ::fstat(fd, &status) != 0 || !S_ISFIFO(status.st_mode))
        return -1;
    // Programs this one starts do not inherit it: the report is this one's.
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
    return fd;
#endif
}

// Records not written yet: the rows of a picture being shown, sent with the
// status that follows them in one write, so that draxo-run is woken once
// for a picture, not once for each of its runs of rows.
std::string unsent;

long write_some(const char* bytes, std::size_t size) {
#ifdef _WIN32
    return ::_write(report, bytes, static_cast<unsigned>(size > 0x40000000 ? 0x40000000 : size));
#else
    ssize_t count;
    do count = ::write(report, bytes, size);
    while (count < 0 && errno == EINTR);
    return static_cast<long>(count);
#endif
}

// Writes what is unsent; a failure stops the report, with a message.
void send() {
    std::size_t at = 0;
    while (report >= 0 && at < unsent.size()) {
        errno = 0;
        long written = write_some(unsent.data() + at, unsent.size() - at);
        if (written <= 0) {
            std::fprintf(stderr,
                         "DRAXO: cannot write the run's report to draxo-run: %s; the run is no longer reported\n",
                         std::strerror(written < 0 && errno ? errno : EIO));
            close_run_report();
        }
        at += written > 0 ? static_cast<std::size_t>(written) : 0;
    }
    unsent.clear();
}

void add_header(run_report_kind kind, std::size_t size) {
    run_report_record header{};
    std::memcpy(header.mark, run_report_mark, sizeof header.mark);
    header.kind = kind;
    header.size = static_cast<std::uint32_t>(size);
    unsent.append(reinterpret_cast<const char*>(&header), sizeof header);
}

}  // namespace

bool open_run_report(const std::string& descriptor, std::string& why_not) {
    close_run_report();
    report = pipe_named(descriptor);
    // Nor the pipe's number: a DRAXO program this one starts does not take
    // a number of nothing, or of another pipe, for a report of its own.
#ifdef _WIN32
    ::_putenv_s(run_report_variable, "");
#else
    ::unsetenv(run_report_variable);
#endif
    if (report >= 0) return true;
    why_not = "it names no pipe this program may write to";
    return false;
}

bool run_report_open() { return report >= 0; }

void report_run_status(const run_file_status& status) {
    if (report < 0) return;
    add_header(report_status, sizeof status);
    unsent.append(reinterpret_cast<const char*>(&status), sizeof status);
    send();
}

void report_shown_rows(const ws::pixels& surface, int top, int bottom, int left, int right) {
    if (report < 0 || !surface.bits || top >= bottom || left >= right) return;
    std::size_t row_bytes = static_cast<std::size_t>(right - left) * sizeof(std::uint32_t);
    run_report_rows rows{static_cast<std::uint32_t>(surface.width), static_cast<std::uint32_t>(surface.height),
                         static_cast<std::uint32_t>(top),           static_cast<std::uint32_t>(bottom),
                         static_cast<std::uint32_t>(left),          static_cast<std::uint32_t>(right)};
    add_header(report_rows, sizeof rows + static_cast<std::size_t>(bottom - top) * row_bytes);
    unsent.append(reinterpret_cast<const char*>(&rows), sizeof rows);
    for (int row = top; row < bottom; ++row)
        unsent.append(
            reinterpret_cast<const char*>(surface.bits + static_cast<std::ptrdiff_t>(row) * surface.stride + left),
            row_bytes);
}

void report_console_line(const std::string& line) {
    for (std::size_t at = 0; at < line.size() && report >= 0; at += run_report_most_text) {
        std::size_t size = std::min<std::size_t>(line.size() - at, run_report_most_text);
        add_header(report_console, size);
        unsent.append(line.data() + at, size);
    }
    send();
}

void close_run_report() {
#ifdef _WIN32
    if (report >= 0) ::_close(report);
#else
    if (report >= 0) ::close(report);
#endif
    report = -1;
    unsent.clear();
}

}  // namespace draxo
