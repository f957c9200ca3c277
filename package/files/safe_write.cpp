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
    read_result now = read_file(path, bytes.size() + 1);
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

// A fresh, hidden file beside the target, taken by nothing yet.
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
    }
    return fd;
}

// The safe way: a fresh file, flushed, given the target's owner and
// permissions, renamed over the target. False with errno when a step fails;
// the fresh file is gone then. `no_fresh_file` tells that none could be made.
bool write_through_fresh_file(const std::string& target, const entry_status& status, std::string_view bytes,
                              bool& no_fresh_file) {
    std::string fresh;
    bool replacing = status.kind != entry_kind::none;
    int fd = create_fresh(folder_of(target), replacing, fresh);
    no_fresh_file = fd < 0;
    if (fd < 0) return false;
    bool ok = write_all(fd, bytes) && system().flush(fd) == 0 &&
              (!replacing || system().keep_owner_and_mode(fd, status) == 0);
    int error = errno;
    if (system().close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && system().rename(fresh.c_str(), target.c_str()) == 0) return true;
    if (ok) error = errno;
    system().remove(fresh.c_str());
    errno = error;
    return false;
}

// In place: over the file's own bytes, then cut to the new length. Bytes
// past the process's file-size limit are refused before anything is touched.
bool write_in_place(const std::string& target, std::string_view bytes) {
    if (bytes.size() > system().file_size_limit()) {
        errno = EFBIG;
        return false;
    }
    int fd = system().open_for_writing(target.c_str());
    if (fd < 0) return false;
    bool ok = write_all(fd, bytes) && system().truncate(fd, bytes.size()) == 0 && system().flush(fd) == 0;
    int error = errno;
    if (system().close(fd) != 0 && ok) return false;
    errno = error;
    return ok;
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

// Whether a name in a folder is a temporary file of a save that ended on
// the way: of a process no longer running, or of the older namings and an
// hour old.
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
    if (!with_process) return std::time(nullptr) - status.modified >= old_temporary_age;
    long owner = std::stol(std::string(process));
    return owner != system().this_process() && !system().process_running(owner);
}

}  // namespace

void clear_stale_temporaries(const std::string& folder) {
    std::vector<std::string> names;
    if (system().list_directory(folder.c_str(), names) != 0) return;
    for (const std::string& name : names)
        if (stale(folder, name)) system().remove(beside(folder, name).c_str());
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
    if (!as_expected(target, status, expected)) {
        write_result changed;
        changed.outcome = write_result::changed;
        changed.why_not = "it was changed by another program";
        return changed;
    }
    bool exists = status.kind == entry_kind::regular;
    // Root may write anything: a file that no one may write is still read-only.
    if (exists && ((status.mode & 0222) == 0 || !system().may_write(target.c_str())))
        return failure("the file is read-only");
    clear_stale_temporaries(folder_of(target));

    write_result result;
    result.outcome = write_result::written;
    if (exists && status.links > 1) {
        // A fresh file would part the names: the others would keep the old bytes.
        result.in_place_because = "it has other links";
    } else {
        bool no_fresh_file = false;
        if (write_through_fresh_file(target, status, bytes, no_fresh_file)) return result;
        int error = errno;
        if (!(exists && no_fresh_file && (error == EACCES || error == EPERM))) return failure(reason(error));
        result.in_place_because = "its folder cannot be written to";
    }
    if (!write_in_place(target, bytes)) return failure(reason(errno));
    return result;
}

read_result read_file(const std::string& path, std::size_t limit) {
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

bool name_taken(const std::string& path) {
    entry_status status;
    // A name whose status cannot be had is not taken as free.
    return system().status(path.c_str(), false, status) != 0 || status.kind != entry_kind::none;
}

}  // namespace draxo::files
