// Reading the settings of an unattended run from the environment.
#include "settings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace draxo {
namespace {

std::string value_of(const char* (*lookup)(const char*), const char* name) {
    const char* value = lookup(name);
    return value ? value : "";
}

bool switched_on(const std::string& value) { return !value.empty() && value != "0"; }

// A number of seconds: a plain decimal number, 0 or more, at most a day.
bool parse_seconds(const std::string& text, double& seconds) {
    if (text.empty()) return false;
    const char* start = text.c_str();
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(start, &end);
    if (errno != 0 || end == start || *end != '\0' || !std::isfinite(value)) return false;
    if (value < 0 || value > 86400) return false;
    seconds = value;
    return true;
}

}  // namespace

unattended_settings read_settings(const char* (*lookup)(const char* name)) {
    unattended_settings s;
    s.headless = switched_on(value_of(lookup, "DRAXO_HEADLESS"));
    s.script = value_of(lookup, "DRAXO_SCRIPT");
    s.picture = value_of(lookup, "DRAXO_PICTURE");
    s.console = value_of(lookup, "DRAXO_CONSOLE");
    s.run_file = value_of(lookup, "DRAXO_RUN_FILE");
    std::string grace = value_of(lookup, "DRAXO_GRACE");
    if (!grace.empty() && !parse_seconds(grace, s.grace_seconds))
        s.problems.push_back("DRAXO_GRACE=" + grace + " is not a number of seconds from 0 to 86400; using 3");
    return s;
}

}  // namespace draxo
