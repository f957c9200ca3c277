// The designer's command line: main() joins the arguments as the desktop
// writes a command line, and the designer splits it by the desktop's rules,
// so that any argument, spaces, quotes and backslashes included, comes back
// as it was.
#include "command_line.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "main/join_arguments.h"

namespace cards {
namespace {

using arguments = std::vector<std::string>;

std::string joined(arguments args) {
    std::vector<char*> pointers;
    for (std::string& a : args) pointers.push_back(a.data());
    char* line = draxo_join_arguments(static_cast<int>(pointers.size()), pointers.data());
    std::string result = line ? line : "(null)";
    std::free(line);
    return result;
}

TEST(CommandLine, EveryArgumentComesBackAsItWasAfterJoiningAndSplitting) {
    const arguments cases[] = {
        {},
        {"card.draxo"},
        {"my cards/birthday card.draxo"},
        {"a", "", "b"},
        {""},
        {"tab\there", "two  spaces", " leading", "trailing "},
        {"say \"hi\"", "\"", "\"\""},
        {"C:\\Program Files\\card.draxo", "dir\\", "dir with space\\", "\\\\server\\share"},
        {"back\\\"slash", "two\\\\\"", "odd\\\\\\", "\\"},
        {"bytes \xC3\xA9 \xFF", "semi;colon", "star*", "dollar$HOME"},
    };
    for (const arguments& args : cases) EXPECT_EQ(split_command_line(joined(args).c_str()), args) << joined(args);
}

TEST(CommandLine, ArgumentsAreQuotedOnlyWhenTheyNeedIt) {
    EXPECT_EQ(joined({"card.draxo", "a\\b"}), "card.draxo a\\b");
    EXPECT_EQ(joined({"my cards/birthday card.draxo"}), "\"my cards/birthday card.draxo\"");
    EXPECT_EQ(joined({""}), "\"\"");
    EXPECT_EQ(joined({"say \"hi\""}), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(joined({"dir with space\\"}), "\"dir with space\\\\\"");
}

TEST(CommandLine, LinesAsTheDesktopWritesThemSplitByItsRules) {
    EXPECT_EQ(split_command_line(nullptr), arguments{});
    EXPECT_EQ(split_command_line(""), arguments{});
    EXPECT_EQ(split_command_line(" \t "), arguments{});
    EXPECT_EQ(split_command_line("  a\t b  "), (arguments{"a", "b"}));
    EXPECT_EQ(split_command_line("\"a b\" c"), (arguments{"a b", "c"}));
    EXPECT_EQ(split_command_line("a\"b c\"d"), arguments{"ab cd"});
    EXPECT_EQ(split_command_line("\"a\"\"b\""), arguments{"a\"b"});  // a doubled quote within quotes
    EXPECT_EQ(split_command_line("\"\""), arguments{""});
    EXPECT_EQ(split_command_line("\"no end"), arguments{"no end"});
    EXPECT_EQ(split_command_line("a\\b\\\\c"), arguments{"a\\b\\\\c"});  // backslashes are themselves
    EXPECT_EQ(split_command_line("a\\\"b"), arguments{"a\"b"});          // an odd run escapes the quote
    EXPECT_EQ(split_command_line("a\\\\\"b c\""), arguments{"a\\b c"});  // an even run leaves it to group
    EXPECT_EQ(split_command_line("\"c:\\dir\\\\\" x"), (arguments{"c:\\dir\\", "x"}));
}

TEST(DesignerArguments, AskForACardTheUsageOrNothingTheDesignerCannotTake) {
    EXPECT_EQ(read_designer_arguments({}).what, designer_start::open_card);
    EXPECT_EQ(read_designer_arguments({}).card_file, "");
    EXPECT_EQ(read_designer_arguments({"party.draxo"}).card_file, "party.draxo");
    EXPECT_EQ(read_designer_arguments({"./--help"}).card_file, "./--help");
    EXPECT_EQ(read_designer_arguments({"-"}).card_file, "-");
    for (const arguments& help : {arguments{"--help"}, arguments{"-h"}, arguments{"card.draxo", "--help"}})
        EXPECT_EQ(read_designer_arguments(help).what, designer_start::show_usage) << help[0];
    designer_start refused = read_designer_arguments({"--version"});
    EXPECT_EQ(refused.what, designer_start::refuse);
    EXPECT_EQ(refused.problem, "unknown option --version");
    refused = read_designer_arguments({"a.draxo", "b.draxo"});
    EXPECT_EQ(refused.what, designer_start::refuse);
    EXPECT_EQ(refused.problem, "one card file at most");
}

}  // namespace
}  // namespace cards
