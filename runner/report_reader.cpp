// Reading the run's report record by record.
#include "report_reader.h"

#include <cstring>

namespace draxo_run {

namespace {

constexpr std::size_t header_size = sizeof(draxo::run_report_record);

}  // namespace

void report_reader::take(const char* bytes, std::size_t size) {
    if (!malformed_.empty()) return;
    // Records are read where they lie; only a record not yet whole is kept
    // for the bytes still to come.
    const char* data = bytes;
    std::size_t length = size;
    if (!pending_.empty()) {
        pending_.append(bytes, size);
        data = pending_.data();
        length = pending_.size();
    }
    std::size_t at = 0;
    while (malformed_.empty() && length - at >= header_size) {
        draxo::run_report_record header;
        std::memcpy(&header, data + at, header_size);
        record_at_ = offset_ + at;
        if (std::memcmp(header.mark, draxo::run_report_mark, sizeof header.mark) != 0) {
            refuse("no record starts at byte " + std::to_string(record_at_));
            break;
        }
        // A size no record can have is refused before its bytes are awaited.
        if (header.size > sizeof(draxo::run_report_rows) + draxo::png::most_pixels * sizeof(std::uint32_t)) {
            refuse("a record at byte " + std::to_string(record_at_) + " claims " + std::to_string(header.size) +
                   " bytes");
            break;
        }
        if (length - at - header_size < header.size) break;  // the rest is still to come
        if (!take_record(header.kind, data + at + header_size, header.size)) break;
        at += header_size + header.size;
    }
    // Rows still waiting for their status outlive these bytes.
    for (const auto& [body, body_size] : rows_here_) {
        std::uint32_t body_length = static_cast<std::uint32_t>(body_size);
        waiting_rows_.append(reinterpret_cast<const char*>(&body_length), sizeof body_length);
        waiting_rows_.append(body, body_size);
    }
    rows_here_.clear();
    if (data == pending_.data())
        pending_.erase(0, at);
    else
        pending_.assign(data + at, length - at);
    offset_ += at;
}

bool report_reader::take_record(std::uint32_t kind, const char* body, std::size_t size) {
    auto at = [this] { return " at byte " + std::to_string(record_at_); };
    if (!have_status_ && kind != draxo::report_status) {
        refuse("the report does not start with a status");
        return false;
    }
    switch (kind) {
    case draxo::report_status: {
        draxo::run_file_status status;
        if (size != sizeof status) {
            refuse("a status" + at() + " of " + std::to_string(size) + " bytes");
            return false;
        }
        std::memcpy(&status, body, sizeof status);
        if (std::memcmp(status.magic, draxo::run_file_magic, sizeof status.magic) != 0 ||
            status.version != draxo::run_file_version) {
            refuse("a status" + at() + " of another kind or version");
            return false;
        }
        status_ = status;
        have_status_ = true;
        show_waiting_rows();
        return true;
    }
    case draxo::report_rows:
        if (take_rows(body, size)) return true;
        refuse("rows" + at() + " that fit no picture");
        return false;
    case draxo::report_console:
        if (size > draxo::run_report_most_text) {
            refuse("console text" + at() + " longer than a record holds");
            return false;
        }
        console_.append(body, size);
        return true;
    default: refuse("a record of no known kind (" + std::to_string(kind) + ")" + at()); return false;
    }
}

bool report_reader::take_rows(const char* body, std::size_t size) {
    draxo::run_report_rows rows;
    if (size < sizeof rows) return false;
    std::memcpy(&rows, body, sizeof rows);
    if (rows.width == 0 || rows.height == 0 || rows.width > draxo::png::largest_side ||
        rows.height > draxo::png::largest_side ||
        std::size_t{rows.width} * rows.height > draxo::png::most_pixels || rows.top >= rows.bottom ||
        rows.bottom > rows.height || rows.left >= rows.right || rows.right > rows.width)
        return false;
    if (size - sizeof rows !=
        std::size_t{rows.bottom - rows.top} * (rows.right - rows.left) * sizeof(std::uint32_t))
        return false;
    if (waiting_rows_.empty() && rows_here_.empty()) {
        waiting_width_ = shown_.width;
        waiting_height_ = shown_.height;
    }
    // A picture of a new size comes whole.
    if (static_cast<int>(rows.width) != waiting_width_ || static_cast<int>(rows.height) != waiting_height_) {
        if (rows.top != 0 || rows.bottom != rows.height || rows.left != 0 || rows.right != rows.width)
            return false;
        waiting_width_ = static_cast<int>(rows.width);
        waiting_height_ = static_cast<int>(rows.height);
    }
    rows_here_.emplace_back(body, size);
    return true;
}

void report_reader::show_rows(const char* body) {
    draxo::run_report_rows rows;
    std::memcpy(&rows, body, sizeof rows);
    if (static_cast<int>(rows.width) != shown_.width || static_cast<int>(rows.height) != shown_.height) {
        shown_.width = static_cast<int>(rows.width);
        shown_.height = static_cast<int>(rows.height);
        shown_.pixels.assign(std::size_t{rows.width} * rows.height, 0);
    }
    std::size_t row_bytes = std::size_t{rows.right - rows.left} * sizeof(std::uint32_t);
    const char* from = body + sizeof rows;
    for (std::uint32_t row = rows.top; row < rows.bottom; ++row, from += row_bytes)
        std::memcpy(shown_.pixels.data() + std::size_t{row} * rows.width + rows.left, from, row_bytes);
}

void report_reader::show_waiting_rows() {
    for (std::size_t at = 0; at < waiting_rows_.size();) {
        std::uint32_t length;
        std::memcpy(&length, waiting_rows_.data() + at, sizeof length);
        show_rows(waiting_rows_.data() + at + sizeof length);
        at += sizeof length + length;
    }
    waiting_rows_.clear();
    for (const auto& [body, size] : rows_here_) show_rows(body);
    rows_here_.clear();
}

std::string report_reader::take_console_text() {
    std::string text;
    text.swap(console_);
    return text;
}

void report_reader::refuse(const std::string& why) { malformed_ = why; }

}  // namespace draxo_run
