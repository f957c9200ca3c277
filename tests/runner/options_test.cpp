// draxo-run's command line.
#include "options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace draxo_run {
namespace {

using args = std::vector<std::string>;

options parsed(const args& arguments) {
    options o;
    std::string why_not;
    EXPECT_TRUE(parse_options(arguments, o, why_not)) << why_not;
    return o;
}

std::string refused(const args& arguments) {
    options o;
    std::string why_not;
    EXPECT_FALSE(parse_options(arguments, o, why_not));
    return why_not;
}

TEST(Options, EveryOptionInBothFormsThenTheProgramAndItsArguments) {
    options o = parsed({"--script", "a.scr", "--picture=out.png", "--console", "-", "--expect", "ref.png",
                        "--timeout=2.5", "--grace", "0", "--seed", "42", "./prog", "--script", "x"});
    EXPECT_EQ(o.script, "a.scr");
    EXPECT_EQ(o.picture, "out.png");
    EXPECT_EQ(o.console, "-");
    EXPECT_EQ(o.expect, "ref.png");
    EXPECT_EQ(o.timeout_seconds, 2.5);
    EXPECT_EQ(o.grace_seconds, 0);
    EXPECT_EQ(o.seed, "42");
    EXPECT_EQ(o.command, (args{"./prog", "--script", "x"}));  // the program's own options stay its own
}

TEST(Options, DefaultsWithoutOptions) {
    options o = parsed({"prog"});
    EXPECT_TRUE(o.script.empty());
    EXPECT_TRUE(o.picture.empty());
    EXPECT_EQ(o.timeout_seconds, default_timeout_seconds);
    EXPECT_EQ(o.grace_seconds, default_grace_seconds);
    EXPECT_TRUE(o.seed.empty());
    EXPECT_EQ(o.command, args{"prog"});
}

TEST(Options, TwoDashesEndTheOptionsEvenBeforeAProgramNamedLikeOne) {
    EXPECT_EQ(parsed({"--", "--picture"}).command, args{"--picture"});
    EXPECT_EQ(parsed({"--timeout", "1", "--", "prog", "-x"}).command, (args{"prog", "-x"}));
    EXPECT_EQ(parsed({"-"}).command, args{"-"});
}

TEST(Options, HelpAndVersionNeedNoProgram) {
    EXPECT_TRUE(parsed({"--help"}).help);
    EXPECT_TRUE(parsed({"-h"}).help);
    EXPECT_TRUE(parsed({"--version"}).version);
}

TEST(Options, AnAssignmentsOptionsGoTogether) {
    options o = parsed({"--make-assignment", "bounce", "--script", "a.scr", "--starter=bounce.c", "--title",
                        "Bounce", "--console", "-", "./solution"});
    EXPECT_EQ(o.make_assignment, "bounce");
    EXPECT_EQ(o.starter, "bounce.c");
    EXPECT_EQ(o.title, "Bounce");
    EXPECT_EQ(o.command, args{"./solution"});
    EXPECT_EQ(refused({"--starter", "bounce.c", "prog"}), "--starter needs --make-assignment");
    EXPECT_EQ(refused({"--title", "Bounce", "prog"}), "--title needs --make-assignment");
    for (const char* kept_otherwise : {"--picture", "--expect"})
        EXPECT_EQ(
            refused({"--make-assignment", "bounce", kept_otherwise, "x.png", "prog"}),
            std::string(kept_otherwise) +
                " is not taken with --make-assignment, which keeps the picture as the assignment's reference");
}

TEST(Options, WhatCannotBeTakenIsSaid) {
    EXPECT_EQ(refused({}), "no program to run");
    EXPECT_EQ(refused({"--script", "a.scr"}), "no program to run");
    EXPECT_EQ(refused({"--frobnicate", "prog"}), "unknown option --frobnicate");
    EXPECT_EQ(refused({"-x", "prog"}), "unknown option -x");
    EXPECT_EQ(refused({"--script"}), "--script needs a value");
    EXPECT_EQ(refused({"--picture=", "prog"}), "--picture needs a value");
    EXPECT_EQ(refused({"--timeout", "soon", "prog"}),
              "--timeout takes a number of seconds from 0 to 86400, not soon");
    EXPECT_EQ(refused({"--grace", "-1", "prog"}), "--grace takes a number of seconds from 0 to 86400, not -1");
    EXPECT_EQ(refused({"--seed", "4294967296", "prog"}),
              "--seed takes a whole number from 0 to 4294967295, not 4294967296");
    EXPECT_EQ(refused({"--seed", "-3", "prog"}), "--seed takes a whole number from 0 to 4294967295, not -3");
    EXPECT_EQ(refused({"--expect", "ref.png", "prog"}),
              "--expect needs --picture: the difference image is written beside the picture");
}

TEST(Options, SecondsAreDecimalNumbersAsWritten) {
    EXPECT_EQ(parsed({"--timeout", "10", "prog"}).timeout_seconds, 10);
    EXPECT_EQ(parsed({"--timeout", ".5", "prog"}).timeout_seconds, 0.5);
    EXPECT_EQ(parsed({"--grace", "2.", "prog"}).grace_seconds, 2);
    EXPECT_EQ(parsed({"--grace", "0.1", "prog"}).grace_seconds, 0.1);
    // Not the forms the C library's number reader takes besides.
    for (const char* written : {"0x10", "0X1p3", "1e2", "+5", " 5", "5 ", "5,5", "inf", "nan", ".", "1.2.3"}) {
        EXPECT_EQ(refused({"--timeout", written, "prog"}),
                  std::string("--timeout takes a number of seconds from 0 to 86400, not ") + written);
        EXPECT_EQ(refused({"--grace", written, "prog"}),
                  std::string("--grace takes a number of seconds from 0 to 86400, not ") + written);
    }
    EXPECT_EQ(parsed({"--timeout", "86400", "prog"}).timeout_seconds, 86400);
    refused({"--timeout", "86400.5", "prog"});
    refused({"--timeout", "99999999999999999999999999", "prog"});
}

}  // namespace
}  // namespace draxo_run
