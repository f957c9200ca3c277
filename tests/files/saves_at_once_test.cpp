// Saves at the same moment, in one folder or of one file, however their
// steps fall: the check that a file is as its saver expects and the
// replacement of it are one step, so that of two saves of one file one is
// written and the other finds it changed, never both written and one lost;
// and a save's fresh file is never cleared as stale while the save lives,
// whatever its process number says. The other save is run by a replaced
// system call in the middle of the first, so that every order is certain.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "files/file_system.h"
#include "files/safe_write.h"
#include "support/scratch_directory.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace draxo::files {
namespace {

namespace fs = std::filesystem;
using names = std::vector<std::string>;

names listing() {
    names found;
    for (const auto& entry : fs::directory_iterator(".")) found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
}

const expectation nothing_there{expectation::nothing_there, {}}, the_old_card{expectation::these_bytes, "old"};

// The other save of "card.txt", run once from within the first one.
struct other_save {
    static inline expectation expected;
    static inline write_result result;
    static inline bool started = false;
    static void run() {
        if (started) return;
        started = true;
        result = replace_file("card.txt", "theirs", expected);
    }
};

struct SavesAtOnce : test::InScratchDirectory {
    void SetUp() override {
        test::InScratchDirectory::SetUp();
        other_save::started = false;
    }
    void TearDown() override {
        system() = default_system();
        test::InScratchDirectory::TearDown();
    }
    // The file as each case starts: none, or the card both savers read.
    void start_with(const expectation& expected) {
        fs::remove("card.txt");
        if (expected.what == expectation::these_bytes) write_file("card.txt", expected.bytes);
        other_save::expected = expected;
        other_save::started = false;
    }
    // The first save was overtaken by the other one: the other's card stays.
    void expect_theirs_kept(const write_result& mine, const char* what) {
        EXPECT_TRUE(other_save::started) << what;
        EXPECT_TRUE(other_save::result.ok()) << what << ": " << other_save::result.why_not;
        EXPECT_EQ(mine.outcome, write_result::changed) << what;
        EXPECT_EQ(contents_of("card.txt"), "theirs") << what;
        EXPECT_EQ(listing(), names{"card.txt"}) << what;
    }
};

// The other save comes while the first one flushes its fresh file (a slow
// disk), before the first one has looked at the file again.
TEST_F(SavesAtOnce, ASaveOvertakenWhileItFlushesFindsTheFileChanged) {
    system().flush = [](int fd) {
        other_save::run();
        return default_system().flush(fd);
    };
    for (const expectation& expected : {nothing_there, the_old_card}) {
        start_with(expected);
        const char* what = expected.what == expectation::nothing_there ? "no file" : "the card read";
        expect_theirs_kept(replace_file("card.txt", "mine", expected), what);
    }
}

// The other save comes after the first one has found no file there and is
// about to give its fresh file the name: the name is taken only while free.
TEST_F(SavesAtOnce, ANameTakenJustBeforeTheRenameIsNotTakenAgain) {
    system().rename = [](int fd, const char* from, const char* to, bool replace) {
        other_save::run();
        return default_system().rename(fd, from, to, replace);
    };
    start_with(nothing_there);
    expect_theirs_kept(replace_file("card.txt", "mine", nothing_there), "no file");
}

// The other save, on a thread of its own, which tells when it ends or
// reaches the file's lock.
struct racing_save {
    static inline std::mutex mutex;
    static inline std::condition_variable changed;
    static inline bool at_lock = false, done = false;
    static inline thread_local bool on_this_thread = false;
    static inline write_result result;
    static void run() {
        on_this_thread = true;
        result = replace_file("card.txt", "theirs", the_old_card);
        std::lock_guard<std::mutex> hold(mutex);
        done = true;
        changed.notify_all();
    }
};

// The other save comes after the first one has found the file as it read
// it and is about to replace it: it waits for the first one's lock, and
// then finds the file changed.
TEST_F(SavesAtOnce, ASaveBetweenAnothersCheckAndItsRenameWaitsAndFindsTheFileChanged) {
    write_file("card.txt", "old");
    static std::thread other;
    system().lock = [](const char* path) {
        if (racing_save::on_this_thread) {
            std::lock_guard<std::mutex> hold(racing_save::mutex);
            racing_save::at_lock = true;
            racing_save::changed.notify_all();
        }
        return default_system().lock(path);
    };
    system().rename = [](int fd, const char* from, const char* to, bool replace) {
        if (!racing_save::on_this_thread && !other.joinable()) {
            other = std::thread(racing_save::run);
            std::unique_lock<std::mutex> wait(racing_save::mutex);
            bool came = racing_save::changed.wait_for(wait, std::chrono::seconds(20),
                                                      [] { return racing_save::at_lock || racing_save::done; });
            EXPECT_TRUE(came) << "the other save neither ended nor reached the lock";
        }
        return default_system().rename(fd, from, to, replace);
    };
    write_result mine = replace_file("card.txt", "mine", the_old_card);
    ASSERT_TRUE(other.joinable()) << "no rename";
    other.join();
    EXPECT_TRUE(mine.ok()) << mine.why_not;
    EXPECT_EQ(racing_save::result.outcome, write_result::changed);
    EXPECT_EQ(contents_of("card.txt"), "mine");
    EXPECT_EQ(listing(), names{"card.txt"});
}

// Another save in the folder, just before the first one renames its fresh
// file, in a process whose number says nothing of the first one's: in
// another container, on another machine sharing the folder, or on Windows.
TEST_F(SavesAtOnce, ALiveSavesFreshFileIsNeverClearedWhateverItsProcessNumberSays) {
    write_file("card.txt", "old");
    system().rename = [](int fd, const char* from, const char* to, bool replace) {
        static bool once = false;
        if (!once) {
            once = true;
            system().this_process = [] { return 999999998L; };
            system().process_running = [](long) { return false; };
            EXPECT_TRUE(replace_file("picture.png", "a picture").ok());
            system().this_process = default_system().this_process;
        }
        return default_system().rename(fd, from, to, replace);
    };
    write_result mine = replace_file("card.txt", "new");
    EXPECT_TRUE(mine.ok()) << mine.why_not;
    EXPECT_EQ(contents_of("card.txt"), "new");
    EXPECT_EQ(listing(), (names{"card.txt", "picture.png"}));
}

// A cleaner may come between the fresh file's creation and its hold: the
// save sees that its file is gone and writes through another.
TEST_F(SavesAtOnce, AFreshFileClearedBeforeItIsHeldIsGivenUpForAnother) {
    system().hold = [](int fd, const char* path) {
        static bool once = false;
        if (!once) {
            once = true;
            default_system().remove_unheld(path);
        }
        return default_system().hold(fd, path);
    };
    write_result written = replace_file("card.txt", "bytes");
    EXPECT_TRUE(written.ok()) << written.why_not;
    EXPECT_EQ(contents_of("card.txt"), "bytes");
    EXPECT_EQ(listing(), names{"card.txt"});
}

// (Windows starts no process by fork.)
#ifndef _WIN32
// A saver of "card.txt" in a process of its own, stopped at its rename:
// it holds the card's lock and its fresh file until it is killed.
class stopped_saver {
public:
    stopped_saver() {
        if (::pipe(at_rename_) != 0 || ::pipe(resume_) != 0) return;
        child_ = ::fork();
        if (child_ == 0) {
            child_at_rename = at_rename_[1];
            child_resume = resume_[0];
            system().rename = [](int, const char*, const char*, bool) -> int {
                char byte = 0;
                if (::write(child_at_rename, &byte, 1) == 1) (void)::read(child_resume, &byte, 1);
                ::_exit(1);
            };
            replace_file("card.txt", "the child's", the_old_card);
            ::_exit(1);
        }
        char byte;
        stopped_ = child_ > 0 && ::read(at_rename_[0], &byte, 1) == 1;
    }
    ~stopped_saver() {
        kill();
        for (int fd : {at_rename_[0], at_rename_[1], resume_[0], resume_[1]}) ::close(fd);
    }
    bool stopped() const { return stopped_; }
    void kill() {
        if (child_ <= 0) return;
        ::kill(child_, SIGKILL);
        ::waitpid(child_, nullptr, 0);
        child_ = -1;
    }

private:
    static inline int child_at_rename = -1, child_resume = -1;
    int at_rename_[2] = {-1, -1}, resume_[2] = {-1, -1};
    pid_t child_ = -1;
    bool stopped_ = false;
};

// A saver killed while it holds the card's lock and its fresh file: the
// next save neither waits for it nor keeps its fresh file once it is gone.
TEST_F(SavesAtOnce, ASaverKilledOnTheWayLeavesNoLockAndItsFreshFileIsClearedOnceItIsGone) {
    write_file("card.txt", "old");
    stopped_saver other;
    ASSERT_TRUE(other.stopped());
    // While it lives, its fresh file stays, even where its process cannot be seen.
    system().process_running = [](long) { return false; };
    EXPECT_TRUE(replace_file("picture.png", "a picture").ok());
    EXPECT_EQ(listing().size(), 3u);
    other.kill();
    system() = default_system();
    write_result mine = replace_file("card.txt", "mine", the_old_card);
    EXPECT_TRUE(mine.ok()) << mine.why_not;
    EXPECT_EQ(contents_of("card.txt"), "mine");
    EXPECT_EQ(listing(), (names{"card.txt", "picture.png"}));
}

// A saver stopped while it holds the card's lock (suspended from its
// terminal, say) holds another save up for lock_patience_ms at most: the
// other then saves as where no lock can be had, and never hangs.
TEST_F(SavesAtOnce, ASaverStoppedOnTheWayHoldsTheOthersUpOnlyForAMoment) {
    write_file("card.txt", "old");
    stopped_saver other;
    ASSERT_TRUE(other.stopped());
    write_result mine = replace_file("card.txt", "mine", the_old_card);
    other.kill();
    EXPECT_TRUE(mine.ok()) << mine.why_not;
    EXPECT_EQ(contents_of("card.txt"), "mine");
}
#endif

}  // namespace
}  // namespace draxo::files
