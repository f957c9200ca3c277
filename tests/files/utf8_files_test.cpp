// Files by the names a client gives: names outside ASCII, in a folder named
// so too, are the very files written, read, replaced, renamed, listed and
// removed, on Linux and on Windows.
#include "files/utf8_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "files/file_system.h"
#include "files/safe_write.h"
#include "support/scratch_directory.h"

using namespace draxo;
using Utf8Files = test::InScratchDirectory;

namespace {

const std::string names[] = {
    "Gr\xC3\xBC\xC3\x9F"
    "e.draxo",                         // Grüße.draxo
    "\xCE\xA9mega.draxo",              // Ωmega.draxo
    "euro\xE2\x82\xAC.draxo",          // euro€.draxo
    "\xE4\xBD\xA0\xE5\xA5\xBD.draxo",  // 你好.draxo
};
const std::string folder = "J\xC3\xBCrgen";  // Jürgen

std::vector<std::string> listed(const std::string& path) {
    std::vector<std::string> entries;
    EXPECT_EQ(files::system().list_directory(path.c_str(), entries), 0) << path;
    std::sort(entries.begin(), entries.end());
    return entries;
}

}  // namespace

TEST_F(Utf8Files, ANameOutsideAsciiIsTheFileWrittenReplacedReadAndListed) {
    ASSERT_TRUE(std::filesystem::create_directory(files::path_of(folder)));
    for (const std::string& leaf : names) {
        const std::string name = folder + "/" + leaf;
        ASSERT_TRUE(files::replace_file(name, "first").ok()) << leaf;
        // Replacing goes through a fresh file beside it and a rename.
        files::write_result again = files::replace_file(name, leaf);
        ASSERT_TRUE(again.ok()) << leaf << ": " << again.why_not;
        EXPECT_TRUE(again.in_place_because.empty()) << again.in_place_because;
        files::read_result read = files::read_small_file(name, 100);
        ASSERT_TRUE(read.ok) << leaf << ": " << read.why_not;
        EXPECT_EQ(read.bytes, leaf);
        EXPECT_TRUE(files::name_taken(name));
    }
    std::vector<std::string> expected(std::begin(names), std::end(names));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed(folder), expected);  // nothing else left beside them
}

TEST_F(Utf8Files, RenameAndRemoveTakeTheNamedFiles) {
    const std::string from = names[0], to = names[1];
    int fd = files::system().create_new(from.c_str(), false);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(files::system().write(fd, "card", 4), 4);
    ASSERT_EQ(files::system().rename(fd, from.c_str(), to.c_str(), false), 0);
    files::system().close(fd);
    EXPECT_FALSE(files::name_taken(from));
    EXPECT_EQ(files::read_small_file(to, 100).bytes, "card");
    EXPECT_EQ(files::system().remove(to.c_str()), 0);
    EXPECT_FALSE(files::name_taken(to));
    EXPECT_NE(files::system().remove(to.c_str()), 0);  // nothing left to remove
}

// The names as the system itself lists them: UTF-16 on Windows, bytes on
// Linux. (A name handed to the system in its 8-bit code page would come
// back here with its characters lost.)
TEST_F(Utf8Files, TheSystemListsTheNamesAsGiven) {
    for (const std::string& leaf : names) ASSERT_TRUE(files::replace_file(leaf, "").ok()) << leaf;
    std::vector<std::filesystem::path::string_type> entries;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::current_path()))
        entries.push_back(entry.path().filename().native());
    std::sort(entries.begin(), entries.end());
#ifdef _WIN32
    std::vector<std::wstring> expected = {L"Gr\u00fc\u00dfe.draxo", L"\u03a9mega.draxo", L"euro\u20ac.draxo",
                                          L"\u4f60\u597d.draxo"};
#else
    std::vector<std::string> expected(std::begin(names), std::end(names));
#endif
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries, expected);
}

TEST(Utf8FileNames, ANameRoundTripsThroughItsPath) {
    for (const std::string& leaf : names) {
        EXPECT_EQ(files::name_of(files::path_of(leaf)), leaf);
        EXPECT_EQ(files::name_of(files::path_of(folder + "/" + leaf).filename()), leaf);
        EXPECT_EQ(files::name_of(files::path_of(folder + "/" + leaf).parent_path()), folder);
    }
}

TEST_F(Utf8Files, AMissingFileSaysSo) {
    files::read_result read = files::read_small_file(names[2], 100);
    EXPECT_FALSE(read.ok);
    EXPECT_TRUE(read.missing);
    std::vector<std::string> entries;
    EXPECT_NE(files::system().list_directory("missing", entries), 0);
    EXPECT_TRUE(entries.empty());
}
