// Files by the names a client gives: names outside ASCII open, write, rename,
// list and remove the very file they name, on Linux and on Windows.
#include "files/utf8_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

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

std::string read_all(const std::string& name) {
    std::FILE* file = files::open_file(name, "rb");
    if (!file) return "<cannot open>";
    char buffer[64];
    std::size_t count = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    return std::string(buffer, count);
}

}  // namespace

TEST_F(Utf8Files, ANameOutsideAsciiIsTheFileWrittenReadAndListed) {
    const std::string folder = "J\xC3\xBCrgen";  // Jürgen
    ASSERT_TRUE(std::filesystem::create_directory(files::path_of(folder)));
    for (const std::string& leaf : names) {
        const std::string name = folder + "/" + leaf;
        std::FILE* file = files::open_file(name, "wb");
        ASSERT_NE(file, nullptr) << leaf;
        std::fputs(leaf.c_str(), file);
        std::fclose(file);
        EXPECT_EQ(read_all(name), leaf);
        std::error_code error;
        EXPECT_TRUE(std::filesystem::is_regular_file(files::status_of(name, error))) << leaf;
    }
    std::error_code error;
    std::vector<std::string> listed = files::list_directory(folder, error);
    ASSERT_FALSE(error) << error.message();
    std::sort(listed.begin(), listed.end());
    std::vector<std::string> expected(std::begin(names), std::end(names));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
}

TEST_F(Utf8Files, RenameAndRemoveTakeTheNamedFiles) {
    const std::string from = names[0], to = names[1];
    std::FILE* file = files::open_file(from, "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("card", file);
    std::fclose(file);
    std::error_code error;
    ASSERT_TRUE(files::rename_file(from, to, error)) << error.message();
    EXPECT_EQ(files::status_of(from, error).type(), std::filesystem::file_type::not_found);
    EXPECT_EQ(read_all(to), "card");
    EXPECT_TRUE(files::remove_file(to, error));
    EXPECT_EQ(files::link_status_of(to, error).type(), std::filesystem::file_type::not_found);
    EXPECT_FALSE(files::remove_file(to, error));  // nothing left to remove
}

// The names as the system itself lists them: UTF-16 on Windows, bytes on
// Linux. (A name handed to the system in its 8-bit code page would come
// back here with its characters lost.)
TEST_F(Utf8Files, TheSystemListsTheNamesAsGiven) {
    for (const std::string& leaf : names) {
        std::FILE* file = files::open_file(leaf, "wb");
        ASSERT_NE(file, nullptr) << leaf;
        std::fclose(file);
    }
    std::vector<std::filesystem::path::string_type> listed;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::current_path()))
        listed.push_back(entry.path().filename().native());
    std::sort(listed.begin(), listed.end());
#ifdef _WIN32
    std::vector<std::wstring> expected = {L"Gr\u00fc\u00dfe.draxo", L"\u03a9mega.draxo", L"euro\u20ac.draxo",
                                          L"\u4f60\u597d.draxo"};
#else
    std::vector<std::string> expected(std::begin(names), std::end(names));
#endif
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
}

TEST(Utf8FileNames, ANameRoundTripsThroughItsPath) {
    for (const std::string& leaf : names) {
        EXPECT_EQ(files::name_of(files::path_of(leaf)), leaf);
        EXPECT_EQ(files::name_of(files::path_of("folder/" + leaf).filename()), leaf);
    }
}

TEST_F(Utf8Files, AMissingFileSaysSo) {
    errno = 0;
    EXPECT_EQ(files::open_file(names[2], "rb"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    std::error_code error;
    EXPECT_TRUE(files::list_directory("missing", error).empty());
    EXPECT_TRUE(error);
}
