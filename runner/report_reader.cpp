// Reading the run's report record by record.
#include "report_reader.h"

#include <cstring>

namespace draxo_run {

namespace {

constexpr std::size_t header_size = sizeof(draxo::run_report_record);

}  // namespace

void report_reader::take(const char* bytes, std::size_t size) {
    if (!malformed_.empty()) return;
    pending_.append(bytes, size);
    while (malformed_.empty() && pending_.size() - read_ >= header_size) {
        draxo::run_report_record header;
        std::memcpy(&header, pending_.data() + read_, header_size);
        if (std::memcmp(header.mark, draxo::run_report_mark, sizeof header.mark) != 0) {
            refuse("no record starts at byte " + std::to_string(offset_ + read_));
            break;
        }
        // A size no record can have is refused before its bytes are awaited.
        if (header.size > sizeof(draxo::run_report_rows) + draxo::png::most_pixels * sizeof(std::uint32_t)) {
            refuse("a record at byte " + std::to_string(offset_ + read_) + " claims " +
                   std::to_string(header.size) + " bytes");
            break;
        }
        if (pending_.size() - read_ - header_size < header.size) break;  // the rest is still to come
        if (!take_record(header.kind, pending_.data() + read_ + header_size, header.size)) break;
        read_ += header_size + header.size;
    }
    // What was read is dropped now and then, not at every record.
    if (read_ > (std::size_t{1} << 20) || read_ == pending_.size()) {
        pending_.erase(0, read_);
        offset_ += read_;
        read_ = 0;
    }
}

bool report_reader::take_record(std::uint32_t kind, const char* body, std::size_t size) {
    std::string at = " at byte " + std::to_string(offset_ + read_);
    if (!have_status_ && kind != draxo::report_status) {
        refuse("the report does not start with a status");
        return false;
    }
    switch (kind) {
    case draxo::report_status: {
        draxo::run_file_status status;
        if (size != sizeof status) {
            refuse("a status" + at + " of " + std::to_string(size) + " bytes");
            return false;
        }
        std::memcpy(&status, body, sizeof status);
        if (std::memcmp(status.magic, draxo::run_file_magic, sizeof status.magic) != 0 ||
            status.version != draxo::run_file_version) {
            refuse("a status" + at + " of another kind or version");
            return false;
        }
        status_ = status;
        have_status_ = true;
        return true;
    }
    case draxo::report_rows:
        if (take_rows(body, size)) return true;
        refuse("rows" + at + " that fit no picture");
        return false;
    case draxo::report_console:
        if (size > draxo::run_report_most_text) {
            refuse("console text" + at + " longer than a record holds");
            return false;
        }
        console_.append(body, size);
        return true;
    default: refuse("a record of no known kind (" + std::to_string(kind) + ")" + at); return false;
    }
}

bool report_reader::take_rows(const char* body, std::size_t size) {
    draxo::run_report_rows rows;
    if (size < sizeof rows) return false;
    std::memcpy(&rows, body, sizeof rows);
    if (rows.width == 0 || rows.height == 0 || rows.width > draxo::png::largest_side ||
        rows.height > draxo::png::largest_side ||
        std::size_t{rows.width} * rows.height > draxo::png::most_pixels || rows.top >= rows.bottom ||
        rows.bottom > rows.height)
        return false;
    std::size_t row_pixels = rows.width;
    if (size - sizeof rows != (rows.bottom - rows.top) * row_pixels * sizeof(std::uint32_t)) return false;
    bool new_size = static_cast<int>(rows.width) != shown_.width || static_cast<int>(rows.height) != shown_.height;
    // A picture of a new size comes whole.
    if (new_size && (rows.top != 0 || rows.bottom != rows.height)) return false;
    if (new_size) {
        shown_.width = static_cast<int>(rows.width);
        shown_.height = static_cast<int>(rows.height);
        shown_.pixels.assign(row_pixels * rows.height, 0);
    }
    std::memcpy(shown_.pixels.data() + rows.top * row_pixels, body + sizeof rows, size - sizeof rows);
    return true;
}

std::string report_reader::take_console_text() {
    std::string text;
    text.swap(console_);
    return text;
}

void report_reader::refuse(const std::string& why) { malformed_ = why; }

}  // namespace draxo_run
