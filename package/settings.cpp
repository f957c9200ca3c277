// Reading the settings of an unattended run from the environment.
#include "settings.h"

#include <cstdint>

#include "surface/run_file.h"

namespace draxo {
namespace {

std::string value_of(const char* (*lookup)(const char*), const char* name) {
    const char* value = lookup(name);
    return value ? value : "";
}

bool switched_on(const std::string& value) { return !value.empty() && value != "0"; }

}  // namespace

bool parse_seconds(const std::string& text, double& seconds) {
    // Read digit by digit, the digits kept as one whole number divided once
    // at the end (0.25 is 25 / 100, exactly as written): the C library's
    // readers take hexadecimal, exponents and the locale's decimal mark too.
    constexpr int most_decimals = 9;  // a nanosecond; later digits are dropped
    std::uint64_t digits = 0;
    int decimals = 0;
    bool any_digit = false, point = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            any_digit = true;
            if (!point && digits > 86400) return false;  // more than a day, whatever follows
            if (point && decimals == most_decimals) continue;
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            if (point) ++decimals;
        } else {
            return false;
        }
    }
    std::uint64_t power = 1;
    for (int i = 0; i < decimals; ++i) power *= 10;
    double value = static_cast<double>(digits) / static_cast<double>(power);
    if (!any_digit || value > 86400) return false;
    seconds = value;
    return true;
}

unattended_settings read_settings(const char* (*lookup)(const char* name)) {
    unattended_settings s;
    s.headless = switched_on(value_of(lookup, "DRAXO_HEADLESS"));
    s.script = value_of(lookup, "DRAXO_SCRIPT");
    s.picture = value_of(lookup, "DRAXO_PICTURE");
    s.console = value_of(lookup, "DRAXO_CONSOLE");
    s.run_file = value_of(lookup, "DRAXO_RUN_FILE");
    s.run_report = value_of(lookup, run_report_variable);
    std::string grace = value_of(lookup, "DRAXO_GRACE");
    if (!grace.empty() && !parse_seconds(grace, s.grace_seconds))
        s.problems.push_back("DRAXO_GRACE=" + grace + " is not a number of seconds from 0 to 86400; using 3");
    return s;
}

}  // namespace draxo
