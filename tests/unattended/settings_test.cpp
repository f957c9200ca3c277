// The settings of an unattended run, as read from an environment.
#include "settings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <map>
#include <string>

namespace draxo {
namespace {

std::map<std::string, std::string> environment;

const char* lookup(const char* name) {
    auto found = environment.find(name);
    return found == environment.end() ? nullptr : found->second.c_str();
}

unattended_settings read(std::map<std::string, std::string> variables) {
    environment = std::move(variables);
    return read_settings(lookup);
}

TEST(Settings, NothingSetAsksForNothing) {
    unattended_settings s = read({{"HOME", "/home/student"}});
    EXPECT_FALSE(s.any());
    EXPECT_FALSE(s.headless);
    EXPECT_EQ(s.grace_seconds, default_grace_seconds);
    EXPECT_TRUE(s.problems.empty());
}

TEST(Settings, EachVariableIsTakenAsGiven) {
    unattended_settings s = read({{"DRAXO_HEADLESS", "1"},
                                  {"DRAXO_SCRIPT", "in put.scr"},
                                  {"DRAXO_PICTURE", "/tmp/out.png"},
                                  {"DRAXO_CONSOLE", "-"},
                                  {"DRAXO_RUN_FILE", "run"},
                                  {"DRAXO_GRACE", "0.25"}});
    EXPECT_TRUE(s.headless);
    EXPECT_EQ(s.script, "in put.scr");
    EXPECT_EQ(s.picture, "/tmp/out.png");
    EXPECT_EQ(s.console, "-");
    EXPECT_EQ(s.run_file, "run");
    EXPECT_EQ(s.grace_seconds, 0.25);
    EXPECT_TRUE(s.any());
}

TEST(Settings, HeadlessIsOnForAnyValueButEmptyOrZero) {
    EXPECT_FALSE(read({{"DRAXO_HEADLESS", ""}}).headless);
    EXPECT_FALSE(read({{"DRAXO_HEADLESS", "0"}}).headless);
    EXPECT_TRUE(read({{"DRAXO_HEADLESS", "yes"}}).headless);
    EXPECT_TRUE(read({{"DRAXO_HEADLESS", "00"}}).headless);
}

TEST(Settings, AnyOneSettingMakesAnUnattendedRun) {
    for (const char* name : {"DRAXO_HEADLESS", "DRAXO_SCRIPT", "DRAXO_PICTURE", "DRAXO_CONSOLE", "DRAXO_RUN_FILE"})
        EXPECT_TRUE(read({{name, "x"}}).any()) << name;
    EXPECT_FALSE(read({{"DRAXO_GRACE", "5"}}).any());  // a grace time alone asks for nothing
}

TEST(Settings, AGraceTimeThatIsNoNumberOfSecondsIsReportedAndTheDefaultUsed) {
    for (const char* bad : {"soon", "3s", "-1", "1e9", "nan", "inf", "0x10", "1e1", "+2", " 2", "2,5", "."}) {
        unattended_settings s = read({{"DRAXO_GRACE", bad}});
        EXPECT_EQ(s.grace_seconds, default_grace_seconds) << bad;
        ASSERT_EQ(s.problems.size(), 1u) << bad;
        EXPECT_NE(s.problems[0].find(std::string("DRAXO_GRACE=") + bad), std::string::npos);
    }
    EXPECT_EQ(read({{"DRAXO_GRACE", "0"}}).grace_seconds, 0);
    EXPECT_TRUE(read({{"DRAXO_GRACE", "86400"}}).problems.empty());
}

TEST(Settings, AGraceTimeIsReadWithAPointWhateverTheProgramsLocale) {
    // A program may have set a locale whose decimal mark is a comma.
    const char* comma_locales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"};
    bool set = false;
    for (const char* name : comma_locales) set = set || std::setlocale(LC_NUMERIC, name) != nullptr;
    EXPECT_EQ(read({{"DRAXO_GRACE", "0.25"}}).grace_seconds, 0.25);
    EXPECT_FALSE(read({{"DRAXO_GRACE", "0,25"}}).problems.empty());
    std::setlocale(LC_NUMERIC, "C");
    if (!set) GTEST_SKIP() << "no locale with a decimal comma here";
}

}  // namespace
}  // namespace draxo
