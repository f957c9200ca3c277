// Reading the run's report (surface/run_file.h) as draxo-run receives it,
// in pieces of any size: the status the package last reported, the picture
// it last showed, put together from the records that came whole, and the
// console's text. Pure: bytes in, facts out.
#pragma once

#include <cstddef>
#include <string>

#include "surface/run_file.h"
#include "window_system/png_codec.h"

namespace draxo_run {

class report_reader {
public:
    // Takes the next bytes of the report, as they came.
    void take(const char* bytes, std::size_t size);

    // A status came: the program opened the package.
    bool have_status() const { return have_status_; }
    const draxo::run_file_status& status() const { return status_; }
    // The picture last shown; empty while nothing was shown.
    const draxo::png::picture& shown() const { return shown_; }
    // The console's text that came since the last call.
    std::string take_console_text();
    // Why the report is not sound, once bytes that are no record came (then
    // nothing after them is read); empty while it is.
    const std::string& malformed() const { return malformed_; }
    // Part of a record came, not all of it: at the end of the report, a
    // record cut off.
    bool in_a_record() const { return pending_.size() > read_; }

private:
    bool take_record(std::uint32_t kind, const char* body, std::size_t size);
    bool take_rows(const char* body, std::size_t size);
    void refuse(const std::string& why);

    std::string pending_;     // bytes not yet read as whole records, from read_ on
    std::size_t read_ = 0;    // bytes of pending_ already read
    std::size_t offset_ = 0;  // of pending_'s first byte in the report
    bool have_status_ = false;
    draxo::run_file_status status_{};
    draxo::png::picture shown_;
    std::string console_;
    std::string malformed_;
};

}  // namespace draxo_run
