// The safe write: a file is replaced only once its new bytes are complete
// on the disk, through symbolic links to the file they name, keeping its
// permissions and its other names; what may not be replaced is left alone
// with a reason; a failure at any step leaves the version before and no
// fresh file; stale fresh files of saves that ended on the way are cleared.
#include "files/safe_write.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "files/file_system.h"
#include "support/scratch_directory.h"

#ifndef _WIN32
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace draxo::files {
namespace {

namespace fs = std::filesystem;
using names = std::vector<std::string>;

names listing(const fs::path& where = ".") {
    names found;
    for (const auto& entry : fs::directory_iterator(where)) found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
}

struct SafeWrite : test::InScratchDirectory {
    void TearDown() override {
        system() = default_system();
        test::InScratchDirectory::TearDown();
    }
};

TEST_F(SafeWrite, WritesANewFileAndReplacesAnOldOneLeavingNothingElse) {
    EXPECT_TRUE(replace_file("card.txt", "first").ok());
    EXPECT_TRUE(replace_file("card.txt", "second, longer").ok());
    EXPECT_EQ(contents_of("card.txt"), "second, longer");
    EXPECT_TRUE(replace_file("card.txt", "").ok());
    EXPECT_EQ(contents_of("card.txt"), "");
    EXPECT_EQ(listing(), names{"card.txt"});
}

// Each step that can fail on the way: the version before stays, and so
// does no fresh file.
TEST_F(SafeWrite, AFailingWriteFlushOrRenameKeepsTheVersionBeforeAndNoFreshFile) {
    struct failing_step {
        const char* what;
        std::function<void(system_calls&)> breaks;
        int error;
    };
    static int failing_error = 0;
    const failing_step steps[] = {
        {"write",
         [](system_calls& s) {
             s.write = [](int, const void*, std::size_t) -> long {
                 errno = failing_error;
                 return -1;
             };
         },
         ENOSPC},
        {"flush",
         [](system_calls& s) {
             s.flush = [](int) {
                 errno = failing_error;
                 return -1;
             };
         },
         EIO},
        {"rename",
         [](system_calls& s) {
             s.rename = [](int, const char*, const char*, bool) {
                 errno = failing_error;
                 return -1;
             };
         },
         EXDEV},
    };
    for (const failing_step& step : steps) {
        write_file("card.txt", "the version before");
        failing_error = step.error;
        step.breaks(system());
        write_result result = replace_file("card.txt", "the new version");
        system() = default_system();
        EXPECT_EQ(result.outcome, write_result::failed) << step.what;
        EXPECT_EQ(result.why_not, std::strerror(step.error)) << step.what;
        EXPECT_EQ(contents_of("card.txt"), "the version before") << step.what;
        EXPECT_EQ(listing(), names{"card.txt"}) << step.what;
    }
    // A new file that cannot be flushed is not left half there either.
    system().flush = [](int) {
        errno = EIO;
        return -1;
    };
    EXPECT_EQ(replace_file("new.txt", "bytes").why_not, std::strerror(EIO));
    EXPECT_EQ(listing(), names{"card.txt"});
    // The fresh file is closed once it is renamed, its bytes flushed
    // before: a close that fails then has lost nothing.
    system() = default_system();
    system().close = [](int fd) {
        default_system().close(fd);
        errno = EIO;
        return -1;
    };
    EXPECT_TRUE(replace_file("card.txt", "the new version").ok());
    EXPECT_EQ(contents_of("card.txt"), "the new version");
    EXPECT_EQ(listing(), names{"card.txt"});
}

TEST_F(SafeWrite, AFileChangedSinceItWasReadOrWrittenIsLeftAlone) {
    write_file("card.txt", "what another program wrote");
    write_result result = replace_file("card.txt", "mine", {expectation::nothing_there, {}});
    EXPECT_EQ(result.outcome, write_result::changed);
    result = replace_file("card.txt", "mine", {expectation::these_bytes, "what I read"});
    EXPECT_EQ(result.outcome, write_result::changed);
    EXPECT_EQ(contents_of("card.txt"), "what another program wrote");
    // A longer file holding the expected bytes first is changed too.
    result = replace_file("card.txt", "mine", {expectation::these_bytes, "what another program"});
    EXPECT_EQ(result.outcome, write_result::changed);

    // Still as expected: replaced. Removed meanwhile: nothing to lose.
    EXPECT_TRUE(replace_file("card.txt", "mine", {expectation::these_bytes, "what another program wrote"}).ok());
    EXPECT_EQ(contents_of("card.txt"), "mine");
    fs::remove("card.txt");
    EXPECT_FALSE(fs::exists("card.txt"));
    EXPECT_TRUE(replace_file("card.txt", "mine again", {expectation::these_bytes, "mine"}).ok());
    EXPECT_TRUE(replace_file("other.txt", "new", {expectation::nothing_there, {}}).ok());
    EXPECT_EQ(listing(), (names{"card.txt", "other.txt"}));
}

TEST_F(SafeWrite, AFolderIsRefusedAndKept) {
    fs::create_directory("card.txt");
    EXPECT_EQ(replace_file("card.txt", "bytes").why_not, "it is a folder");
    EXPECT_TRUE(fs::is_directory("card.txt"));
    EXPECT_EQ(replace_file("", "bytes").why_not, std::strerror(ENOENT));
}

TEST_F(SafeWrite, AFolderThatTakesNoFreshFileGetsTheFileWrittenInPlaceAndSaysSo) {
    write_file("card.txt", "the version before, longer than the new");
    system().create_new = [](const char*, bool) {
        errno = EACCES;
        return -1;
    };
    write_result result = replace_file("card.txt", "new");
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.in_place_because, "its folder cannot be written to");
    EXPECT_EQ(contents_of("card.txt"), "new");
    // A new file there cannot be written at all.
    EXPECT_EQ(replace_file("new.txt", "bytes").why_not, std::strerror(EACCES));
    // Another reason for no fresh file is a failure, the file untouched.
    system().create_new = [](const char*, bool) {
        errno = ENOSPC;
        return -1;
    };
    EXPECT_EQ(replace_file("card.txt", "newer").why_not, std::strerror(ENOSPC));
    EXPECT_EQ(contents_of("card.txt"), "new");
    EXPECT_EQ(listing(), names{"card.txt"});
}

TEST_F(SafeWrite, AReadOnlyFileIsRefused) {
    write_file("card.txt", "kept");
    fs::permissions("card.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(replace_file("card.txt", "lost").why_not, "the file is read-only");
    EXPECT_EQ(contents_of("card.txt"), "kept");
    // One the process may not write, though someone may.
    fs::permissions("card.txt", fs::perms::owner_read | fs::perms::owner_write);
    system().may_write = [](const char*) { return false; };
    EXPECT_EQ(replace_file("card.txt", "lost").why_not, "the file is read-only");
    EXPECT_EQ(contents_of("card.txt"), "kept");
}

TEST_F(SafeWrite, StaleFreshFilesOfSavesThatEndedOnTheWayAreCleared) {
    long gone = 999999999;  // no process has this number
    system().process_running = [](long process) { return process == 4242; };
    auto stale_name = [](long process) { return ".draxo-" + std::to_string(process) + "-0123abcd.tmp"; };
    write_file(stale_name(gone), "half a picture");
    write_file(stale_name(4242), "a save in progress");
    write_file(stale_name(system().this_process()), "this process's own");
    write_file(".card-89abcdef.tmp", "an older naming, two hours old");
    fs::last_write_time(".card-89abcdef.tmp", fs::file_time_type::clock::now() - std::chrono::hours(2));
    write_file(".draxo-01234567.tmp", "an older naming, just written");
    write_file(".draxo-notes.tmp", "a user's own file");
    write_file(".draxo-12-0123abcg.tmp", "not hexadecimal");
    fs::create_directory(stale_name(gone + 1));
    EXPECT_TRUE(replace_file("picture.png", "bytes").ok());
    names kept{stale_name(gone + 1), ".draxo-01234567.tmp", ".draxo-12-0123abcg.tmp",
               stale_name(4242),     ".draxo-notes.tmp",    stale_name(system().this_process()),
               "picture.png"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(listing(), kept);
    // Only in the folder of the file written.
    fs::create_directory("elsewhere");
    write_file("elsewhere/" + stale_name(gone), "half a card");
    EXPECT_TRUE(replace_file("picture.png", "bytes").ok());
    EXPECT_EQ(listing("elsewhere"), names{stale_name(gone)});
    EXPECT_TRUE(replace_file("elsewhere/card.txt", "bytes").ok());
    EXPECT_EQ(listing("elsewhere"), names{"card.txt"});
}

// The fresh file is asked to take the owner and the group of the file it
// replaces, whatever they are.
TEST_F(SafeWrite, TheFreshFileIsGivenTheOwnerAndGroupOfTheFileItReplaces) {
    write_file("card.txt", "old");
    static entry_status asked;
    system().status = [](const char* path, bool follow_link, entry_status& status) {
        int result = default_system().status(path, follow_link, status);
        if (std::string(path) == "card.txt" && status.kind == entry_kind::regular) {
            status.owner = 4321;
            status.group = 8765;
        }
        return result;
    };
    system().keep_owner_and_mode = [](int, const entry_status& like) {
        asked = like;
        return 0;
    };
    EXPECT_TRUE(replace_file("card.txt", "new").ok());
    EXPECT_EQ(asked.owner, 4321u);
    EXPECT_EQ(asked.group, 8765u);
}

TEST_F(SafeWrite, ANameLongerThanTheSystemTakesIsSaidToBeSo) {
    const std::string name = std::string(256, 'n');
    std::string why_not;
    EXPECT_TRUE(name_taken(name, why_not));  // not free, nor missing
    EXPECT_EQ(why_not, std::strerror(ENAMETOOLONG));
    EXPECT_EQ(replace_file(name, "bytes").why_not, std::strerror(ENAMETOOLONG));
    read_result read = files::read_small_file(name, 10);
    EXPECT_FALSE(read.missing);
    EXPECT_EQ(read.why_not, std::strerror(ENAMETOOLONG));
}

TEST_F(SafeWrite, ReadingTakesRegularFilesOnlyAndAtMostTheLimit) {
    write_file("card.txt", "0123456789");
    read_result read = files::read_small_file("card.txt", 4);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.bytes, "0123");
    EXPECT_EQ(files::read_small_file("card.txt", 100).bytes, "0123456789");
    read = files::read_small_file("nothing.txt", 4);
    EXPECT_FALSE(read.ok);
    EXPECT_TRUE(read.missing);
    EXPECT_EQ(read.why_not, std::strerror(ENOENT));
    fs::create_directory("folder");
    read = files::read_small_file("folder", 4);
    EXPECT_FALSE(read.missing);
    EXPECT_EQ(read.why_not, "it is a folder");
    system().read = [](int, void*, std::size_t) -> long {
        errno = EIO;
        return -1;
    };
    read = files::read_small_file("card.txt", 4);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.why_not, std::strerror(EIO));
}

#ifndef _WIN32

[[maybe_unused]] mode_t mode_of(const char* path) {
    struct stat s;
    return ::lstat(path, &s) == 0 ? s.st_mode : 0;
}

TEST_F(SafeWrite, ASymbolicLinkIsFollowedToTheFileItNamesWhichIsReplaced) {
    fs::create_directory("cards");
    write_file("cards/party.txt", "old");
    fs::create_symlink("cards/party.txt", "link.txt");
    fs::create_symlink("link.txt", "link to link.txt");
    EXPECT_TRUE(replace_file("link to link.txt", "new").ok());
    EXPECT_TRUE(fs::is_symlink("link.txt"));
    EXPECT_TRUE(fs::is_symlink("link to link.txt"));
    EXPECT_EQ(contents_of("cards/party.txt"), "new");
    EXPECT_EQ(listing("cards"), names{"party.txt"});
    // A relative link is read from the link's own folder.
    fs::create_symlink("party.txt", "cards/same.txt");
    EXPECT_TRUE(replace_file("cards/same.txt", "newer").ok());
    EXPECT_EQ(contents_of("cards/party.txt"), "newer");
    // A link to nothing gets the file it names; a loop of links is refused.
    fs::create_symlink("cards/later.txt", "dangling.txt");
    EXPECT_TRUE(replace_file("dangling.txt", "made").ok());
    EXPECT_TRUE(fs::is_symlink("dangling.txt"));
    EXPECT_EQ(contents_of("cards/later.txt"), "made");
    fs::create_symlink("loop-b", "loop-a");
    fs::create_symlink("loop-a", "loop-b");
    EXPECT_EQ(replace_file("loop-a", "x").why_not, std::strerror(ELOOP));
    EXPECT_TRUE(fs::is_symlink("loop-a"));
}

TEST_F(SafeWrite, AFileWithOtherLinksIsWrittenInPlaceSoEveryNameSeesIt) {
    write_file("card.txt", "old text, longer than the new one");
    fs::create_hard_link("card.txt", "twin.txt");
    write_result result = replace_file("card.txt", "new text");
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.in_place_because, "it has other links");
    EXPECT_EQ(contents_of("twin.txt"), "new text");
    EXPECT_EQ(fs::hard_link_count("card.txt"), 2u);
    EXPECT_EQ(listing(), (names{"card.txt", "twin.txt"}));
}

TEST_F(SafeWrite, TheFileKeepsItsPermissionsAndANewOneGetsTheUsualOnes) {
    write_file("private.txt", "secret");
    ::chmod("private.txt", 0600);
    write_file("shared.txt", "for the group");
    ::chmod("shared.txt", 0664);
    EXPECT_TRUE(replace_file("private.txt", "still secret").ok());
    EXPECT_TRUE(replace_file("shared.txt", "still shared").ok());
    EXPECT_EQ(mode_of("private.txt") & 07777, 0600u);
    EXPECT_EQ(mode_of("shared.txt") & 07777, 0664u);
    mode_t mask = ::umask(022);
    EXPECT_TRUE(replace_file("new.txt", "new").ok());
    ::umask(mask);
    EXPECT_EQ(mode_of("new.txt") & 07777, 0644u);
}

// Another owner only a privileged process may give; a group of its own
// any owner may.
TEST_F(SafeWrite, TheFileKeepsItsOwnerWherePrivilegedAndItsGroup) {
    write_file("card.txt", "old");
    uid_t owner = ::geteuid() == 0 ? 4321 : ::geteuid();
    gid_t group = ::getegid();
    if (::geteuid() == 0) {
        group = 8765;
    } else {
        gid_t groups[64];
        int count = ::getgroups(64, groups);
        for (int i = 0; i < count; ++i)
            if (groups[i] != group) group = groups[i];
    }
    if (owner == ::geteuid() && group == ::getegid()) GTEST_SKIP() << "no other owner or group to give";
    ASSERT_EQ(::chown("card.txt", owner, group), 0);
    EXPECT_TRUE(replace_file("card.txt", "new").ok());
    struct stat status;
    ASSERT_EQ(::stat("card.txt", &status), 0);
    EXPECT_EQ(status.st_uid, owner);
    EXPECT_EQ(status.st_gid, group);
}

TEST_F(SafeWrite, AFifoOrADeviceIsRefusedAndKept) {
    ASSERT_EQ(::mkfifo("pipe.png", 0644), 0);
    EXPECT_EQ(replace_file("pipe.png", "bytes").why_not, "it is not a regular file");
    EXPECT_TRUE(S_ISFIFO(mode_of("pipe.png")));
    fs::create_symlink("pipe.png", "link to pipe.png");
    EXPECT_EQ(replace_file("link to pipe.png", "bytes").why_not, "it is not a regular file");
    EXPECT_EQ(files::read_small_file("pipe.png", 10).why_not, "it is not a regular file");  // no wait for a writer
    EXPECT_EQ(files::read_small_file("/dev/zero", 10).why_not, "it is not a regular file");
}

TEST_F(SafeWrite, NamesAreTakenByAnythingALinkToNothingIncluded) {
    EXPECT_FALSE(name_taken("free.txt"));
    fs::create_symlink("nowhere", "dangling.txt");
    EXPECT_TRUE(name_taken("dangling.txt"));
    fs::create_directory("folder");
    EXPECT_TRUE(name_taken("folder"));
}

// A write past the file-size limit raises SIGXFSZ, whose default handling
// (left as it is here) ends the process: the write fails instead.
TEST_F(SafeWrite, AWritePastTheFileSizeLimitFailsAndTheProcessGoesOn) {
    write_file("card.txt", "the version before");
    fs::create_hard_link("card.txt", "twin.txt");
    write_file("other.txt", "another version before");
    rlimit limit{64, 64};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    std::string large(200, 'x');
    EXPECT_EQ(replace_file("other.txt", large).why_not, std::strerror(EFBIG));
    EXPECT_EQ(contents_of("other.txt"), "another version before");
    // In place, it is refused before anything is touched.
    EXPECT_EQ(replace_file("card.txt", large).why_not, std::strerror(EFBIG));
    EXPECT_EQ(contents_of("twin.txt"), "the version before");
    EXPECT_EQ(listing(), (names{"card.txt", "other.txt", "twin.txt"}));
    // A signal raised meanwhile for something else still arrives.
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGXFSZ));
    // The signal is held back only while a write lasts: afterwards it is
    // as the program had it, taken or held back.
    auto held_back = [] {
        sigset_t mask;
        pthread_sigmask(SIG_BLOCK, nullptr, &mask);
        return sigismember(&mask, SIGXFSZ) == 1;
    };
    EXPECT_FALSE(held_back());
    EXPECT_TRUE(replace_file("other.txt", "short").ok());
    EXPECT_FALSE(held_back());
    sigset_t signal;
    sigemptyset(&signal);
    sigaddset(&signal, SIGXFSZ);
    pthread_sigmask(SIG_BLOCK, &signal, nullptr);
    EXPECT_EQ(replace_file("other.txt", large).why_not, std::strerror(EFBIG));
    EXPECT_TRUE(held_back());
    pthread_sigmask(SIG_UNBLOCK, &signal, nullptr);
}

TEST_F(SafeWrite, AFreshFileOfAProcessThatIsGoneIsClearedAtTheNextSave) {
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    std::string stale = ".draxo-" + std::to_string(child) + "-cafe0123.tmp";
    std::string running = ".draxo-1-cafe0123.tmp";  // the first process runs as long as the system
    write_file(stale, "half a card");
    write_file(running, "a save in progress");
    EXPECT_TRUE(replace_file("card.txt", "bytes").ok());
    names kept{running, "card.txt"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(listing(), kept);
}

#endif

}  // namespace
}  // namespace draxo::files
