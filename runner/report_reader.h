// Reading the run's report (surface/run_file.h) as draxo-run receives it,
// in pieces of any size: the status the package last reported, the picture
// it last showed, put together from the records that came whole, and the
// console's text. Pure: bytes in, facts out.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "png/png_codec.h"
#include "surface/run_file.h"

namespace draxo_run {

class report_reader {
public:
    // Takes the next bytes of the report, as they came.
    void take(const char* bytes, std::size_t size);

    // A status came: the program opened the package.
    bool have_status() const { return have_status_; }
    const draxo::run_file_status& status() const { return status_; }
    // The picture last shown, whole: rows count once the status that
    // follows them came. Empty while nothing was shown.
    const draxo::png::picture& shown() const { return shown_; }
    // The console's text that came since the last call.
    std::string take_console_text();
    // Why the report is not sound, once bytes that are no record came (then
    // nothing after them is read); empty while it is.
    const std::string& malformed() const { return malformed_; }
    // Part of a record came, not all of it: at the end of the report, a
    // record cut off.
    bool in_a_record() const { return !pending_.empty(); }

private:
    bool take_record(std::uint32_t kind, const char* body, std::size_t size);
    bool take_rows(const char* body, std::size_t size);
    void show_rows(const char* body);
    void show_waiting_rows();
    void refuse(const std::string& why);

    std::string pending_;        // the start of a record not yet whole
    std::size_t offset_ = 0;     // in the report, of the bytes being read
    std::size_t record_at_ = 0;  // in the report, of the record being read
    bool have_status_ = false;
    draxo::run_file_status status_{};
    draxo::png::picture shown_;
    // Rows records waiting for their status: those among the bytes being
    // read, where they lie, and those that came with earlier bytes, each its
    // size (4 bytes) and its body; and the size of the picture they make.
    std::vector<std::pair<const char*, std::size_t>> rows_here_;
    std::string waiting_rows_;
    int waiting_width_ = 0, waiting_height_ = 0;
    std::string console_;
    std::string malformed_;
};

}  // namespace draxo_run
