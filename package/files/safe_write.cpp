// Writing through a fresh file and a rename; reading small files.
#include "safe_write.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <vector>

#include "file_system.h"
#include "utf8_files.h"

namespace draxo::files {
namespace {

constexpr int link_hops = 40;  // as the system allows in one path

std::string reason(int error) { return std::strerror(error); }

write_result failure(std::string why) {
    write_result result;
    result.why_not = std::move(why);
    return result;
}

std::string folder_of(const std::string& path) { return name_of(path_of(path).parent_path()); }

std::string beside(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : name_of(path_of(folder) / path_of(name));
}

// The file a path names at last, through any chain of symbolic links.
bool follow_links(const std::string& path, std::string& target, std::string& why_not) {
    target = path;
    for (int hop = 0; hop <= link_hops; ++hop) {
        entry_status status;
        if (system().status(target.c_str(), false, status) != 0) {
            why_not = reason(errno);
            return false;
        }
        if (status.kind != entry_kind::symbolic_link) return true;
        std::string link;
        if (system().read_link(target.c_str(), link) != 0) {
            why_not = reason(errno);
            return false;
        }
        target = path_of(link).is_absolute() ? link : beside(folder_of(target), link);
    }
    why_not = reason(ELOOP);
    return false;
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        long written = system().write(fd, bytes.data(), bytes.size());
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Whether the file still holds exactly the expected bytes.
bool holds(const std::string& path, const std::string& bytes) {
    read_result now = read_small_file(path, bytes.size() + 1);
    return now.ok && now.bytes == bytes;
}

bool as_expected(const std::string& target, const entry_status& status, const expectation& expected) {
    switch (expected.what) {
    case expectation::nothing_there: return status.kind == entry_kind::none;
    // A file removed meanwhile loses nothing when it is written anew.
    case expectation::these_bytes: return status.kind == entry_kind::none || holds(target, expected.bytes);
    default: return true;
    }
}

// How a write ended: written, changed (nothing written) or failed (errno).
using ending = decltype(write_result::outcome);

// The lock that the savers of a file share (file_system.h), held while this
// lives. Where the file cannot be locked at all, or another saver held the
// lock too long (stopped on the way), the check and the replacement are as
// close together as the system lets them be.
class save_lock {
public:
    explicit save_lock(const std::string& path)
        : lock_(system().lock(path.c_str())), nothing_to_lock_(lock_ < 0 && errno == ENOENT) {}
    ~save_lock() {
        int error = errno;
        if (lock_ >= 0) system().unlock(lock_);
        errno = error;
    }
    save_lock(const save_lock&) = delete;
    save_lock& operator=(const save_lock&) = delete;
    // Nothing had the name when the lock was asked for.
    bool nothing_to_lock() const { return nothing_to_lock_; }

private:
    std::intptr_t lock_;
    bool nothing_to_lock_;
};

// A fresh, hidden file beside the target, taken by nothing yet, and held
// until it is closed, so that no other save clears it as stale.
int create_fresh(const std::string& folder, bool private_file, std::string& name) {
    static std::mt19937 names{std::random_device{}()};
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        char text[64];
        std::snprintf(text, sizeof text, "%s%ld-%08x%s", temporary_prefix, system().this_process(),
                      static_cast<unsigned>(names()), temporary_suffix);
        name = beside(folder, text);
        fd = system().create_new(name.c_str(), private_file);
        if (fd < 0 && errno != EEXIST) return -1;
        // Cleared by another save before it could be held: another name.
        if (fd >= 0 && system().hold(fd, name.c_str()) != 0) {
            system().close(fd);
            fd = -1;
        }
    }
    return fd;
}

// The fresh file takes the target's place, if the target is still as
// expected. The target's lock is held from that check to the rename, so
// that no other saver replaces the target in between. A target that is not
// there has no lock to take: its name is taken only while nothing has it,
// and once something has, it is locked and looked at again.
ending put_in_place(int fd, const std::string& fresh, const std::string& target, const expectation& expected) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        save_lock lock(target);
        entry_status now;
        if (system().status(target.c_str(), false, now) != 0) return write_result::failed;
        if (lock.nothing_to_lock() && now.kind != entry_kind::none) continue;
        if (!as_expected(target, now, expected)) return write_result::changed;
        bool replace = now.kind != entry_kind::none;
        if (system().rename(fd, fresh.c_str(), target.c_str(), replace) == 0) return write_result::written;
        if (replace || errno != EEXIST) return write_result::failed;
    }
    errno = EAGAIN;
    return write_result::failed;
}

// The safe way: a fresh file, flushed, given the target's owner and
// permissions, renamed over the target. Failed with errno when a step
// fails; the fresh file is gone then, and unless written. `no_fresh_file`
// tells that none could be made.
ending write_through_fresh_file(const std::string& target, const entry_status& status, std::string_view bytes,
                                const expectation& expected, bool& no_fresh_file) {
    std::string fresh;
    bool replacing = status.kind != entry_kind::none;
    int fd = create_fresh(folder_of(target), replacing, fresh);
    no_fresh_file = fd < 0;
    if (fd < 0) return write_result::failed;
    ending done = write_result::failed;
    if (write_all(fd, bytes) && system().flush(fd) == 0 &&
        (!replacing || system().keep_owner_and_mode(fd, status) == 0))
        done = put_in_place(fd, fresh, target, expected);
    int error = errno;
    // Closed only once renamed, held until then; its bytes were on the disk
    // before, so that nothing is lost if the close fails.
    system().close(fd);
    if (done != write_result::written) system().remove(fresh.c_str());
    errno = error;
    return done;
}

// In place: over the file's own bytes, then cut to the new length, under
// the file's lock from the check on. Bytes past the process's file-size
// limit are refused before anything is touched.
ending write_in_place(const std::string& target, std::string_view bytes, const expectation& expected) {
    if (bytes.size() > system().file_size_limit()) {
        errno = EFBIG;
        return write_result::failed;
    }
    save_lock lock(target);
    entry_status now;
    if (system().status(target.c_str(), false, now) != 0) return write_result::failed;
    if (!as_expected(target, now, expected)) return write_result::changed;
    int fd = system().open_for_writing(target.c_str());
    if (fd < 0) return write_result::failed;
    bool ok = write_all(fd, bytes) && system().truncate(fd, bytes.size()) == 0 && system().flush(fd) == 0;
    int error = errno;
    if (system().close(fd) != 0 && ok) return write_result::failed;
    errno = error;
    return ok ? write_result::written : write_result::failed;
}

bool hex_digits(std::string_view text) {
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return !text.empty();
}

bool decimal_digits(std::string_view text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return !text.empty() && text.size() < 10;
}

bool takes_form(std::string_view name, std::string_view prefix, std::string_view suffix) {
    return name.size() > prefix.size() + suffix.size() && name.substr(0, prefix.size()) == prefix &&
           name.substr(name.size() - suffix.size()) == suffix;
}

// Whether a name in a folder is, by its name and age, a temporary file of a
// save that ended on the way: of a process that no longer runs here, or an
// hour old; of the older namings, an hour old. Whether a save still holds
// it is left to the removal (remove_unheld): a process number does not
// tell, as the process may run in another container or on another machine
// sharing the folder. (The number and the hour still speak for the saves of
// earlier versions, which held nothing.)
bool stale(const std::string& folder, std::string_view name) {
    constexpr std::string_view draxo_prefix = temporary_prefix, card_prefix = ".card-", suffix = temporary_suffix;
    bool ours = takes_form(name, draxo_prefix, suffix), designers = takes_form(name, card_prefix, suffix);
    if (!ours && !designers) return false;
    std::string_view prefix = ours ? draxo_prefix : card_prefix;
    std::string_view body = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    std::size_t dash = body.find('-');
    bool with_process = ours && dash != std::string_view::npos;
    std::string_view process = with_process ? body.substr(0, dash) : std::string_view();
    std::string_view random = with_process ? body.substr(dash + 1) : body;
    if (random.size() != 8 || !hex_digits(random) || (with_process && !decimal_digits(process))) return false;
    entry_status status;
    if (system().status(beside(folder, std::string(name)).c_str(), false, status) != 0 ||
        status.kind != entry_kind::regular)
        return false;
    bool old = std::time(nullptr) - status.modified >= old_temporary_age;
    if (!with_process) return old;
    long owner = std::stol(std::string(process));
    return old || (owner != system().this_process() && !system().process_running(owner));
}

write_result finished(ending done, std::string in_place_because = {}) {
    write_result result;
    result.outcome = done;
    if (done == write_result::changed) result.why_not = "it was changed by another program";
    if (done == write_result::failed) result.why_not = reason(errno);
    if (done == write_result::written) result.in_place_because = std::move(in_place_because);
    return result;
}

}  // namespace

void clear_stale_temporaries(const std::string& folder) {
    std::vector<std::string> names;
    if (system().list_directory(folder.c_str(), names) != 0) return;
    for (const std::string& name : names)
        if (stale(folder, name)) system().remove_unheld(beside(folder, name).c_str());
}

write_result replace_file(const std::string& path, std::string_view bytes, const expectation& expected) {
    std::string target, why_not;
    if (path.empty()) return failure(reason(ENOENT));
    if (!follow_links(path, target, why_not)) return failure(why_not);
    entry_status status;
    if (system().status(target.c_str(), false, status) != 0) return failure(reason(errno));
    if (status.kind == entry_kind::directory) return failure("it is a folder");
    if (status.kind != entry_kind::none && status.kind != entry_kind::regular)
        return failure("it is not a regular file");
    // Already changed: nothing is written. (Whether it is changed is
    // looked at again under its lock, just before it is replaced.)
    if (!as_expected(target, status, expected)) return finished(write_result::changed);
    bool exists = status.kind == entry_kind::regular;
    // Root may write anything: a file that no one may write is still read-only.
    if (exists && ((status.mode & 0222) == 0 || !system().may_write(target.c_str())))
        return failure("the file is read-only");
    clear_stale_temporaries(folder_of(target));

    std::string in_place_because;
    if (exists && status.links > 1) {
        // A fresh file would part the names: the others would keep the old bytes.
        in_place_because = "it has other links";
    } else {
        bool no_fresh_file = false;
        ending done = write_through_fresh_file(target, status, bytes, expected, no_fresh_file);
        int error = errno;
        if (done != write_result::failed || !(exists && no_fresh_file && (error == EACCES || error == EPERM)))
            return finished(done);
        in_place_because = "its folder cannot be written to";
    }
    return finished(write_in_place(target, bytes, expected), in_place_because);
}

read_result read_small_file(const std::string& path, std::size_t limit) {
    read_result result;
    entry_status status;
    if (system().status(path.c_str(), true, status) != 0) {
        result.why_not = reason(errno);
        return result;
    }
    if (status.kind == entry_kind::none) {
        result.missing = true;
        result.why_not = reason(ENOENT);
        return result;
    }
    // A folder has no bytes, and a device or a FIFO could give bytes for
    // ever or none at all.
    if (status.kind != entry_kind::regular) {
        result.why_not = status.kind == entry_kind::directory ? "it is a folder" : "it is not a regular file";
        return result;
    }
    int fd = system().open_for_reading(path.c_str());
    if (fd < 0) {
        result.missing = errno == ENOENT;
        result.why_not = reason(errno);
        return result;
    }
    result.bytes.resize(limit);
    std::size_t filled = 0;
    long count = 0;
    while (filled < limit && (count = system().read(fd, result.bytes.data() + filled, limit - filled)) > 0)
        filled += static_cast<std::size_t>(count);
    int error = errno;
    system().close(fd);
    result.bytes.resize(filled);
    result.ok = count >= 0;
    if (!result.ok) result.why_not = reason(error);
    return result;
}

bool name_taken(const std::string& path, std::string& why_not) {
    entry_status status;
    if (system().status(path.c_str(), false, status) == 0) return status.kind != entry_kind::none;
    // A name whose status cannot be had is not taken as free.
    why_not = reason(errno);
    return true;
}

bool name_taken(const std::string& path) {
    std::string why_not;
    return name_taken(path, why_not);
}

}  // namespace draxo::files
