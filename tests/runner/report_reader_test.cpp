// Reading the run's report as draxo-run receives it: in pieces of any size,
// cut off where the program was ended, or written over by something else.
#include "report_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace draxo_run {
namespace {

std::string record(draxo::run_report_kind kind, const std::string& body) {
    draxo::run_report_record header{};
    std::memcpy(header.mark, draxo::run_report_mark, sizeof header.mark);
    header.kind = kind;
    header.size = static_cast<std::uint32_t>(body.size());
    return std::string(reinterpret_cast<const char*>(&header), sizeof header) + body;
}

std::string status_record(std::uint32_t events_played, std::uint32_t shown_version = 0) {
    draxo::run_file_status status{};
    std::memcpy(status.magic, draxo::run_file_magic, sizeof status.magic);
    status.version = draxo::run_file_version;
    status.opened = 1;
    status.events_played = events_played;
    status.shown_version = shown_version;
    return record(draxo::report_status, std::string(reinterpret_cast<const char*>(&status), sizeof status));
}

// Rows top to bottom - 1, columns left to right - 1 (all of them unless
// given), of a width x height picture, every pixel `colour`.
std::string rows_record(std::uint32_t width, std::uint32_t height, std::uint32_t top, std::uint32_t bottom,
                        std::uint32_t colour, std::uint32_t left = 0, std::uint32_t right = 0) {
    if (right == 0) right = width;
    draxo::run_report_rows rows{width, height, top, bottom, left, right};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(bottom - top) * (right - left), colour);
    return record(draxo::report_rows,
                  std::string(reinterpret_cast<const char*>(&rows), sizeof rows) +
                      std::string(reinterpret_cast<const char*>(pixels.data()), pixels.size() * 4));
}

constexpr std::uint32_t white = 0xFFFFFFFFu, red = 0xFFFF0000u, blue = 0xFF0000FFu;

TEST(ReportReader, PiecesOfAnySizeGiveTheSameRun) {
    const std::string report = status_record(0) + record(draxo::report_console, "run_client quits\n") +
                               rows_record(3, 4, 0, 4, white) + status_record(1, 1) +
                               rows_record(3, 4, 1, 3, red) + rows_record(3, 4, 3, 4, blue, 1, 2) +
                               record(draxo::report_console, "key 114\n") + status_record(2, 2);
    for (std::size_t piece : {std::size_t{1}, std::size_t{5}, std::size_t{13}, report.size()}) {
        report_reader reader;
        std::string console;
        for (std::size_t at = 0; at < report.size(); at += piece) {
            reader.take(report.data() + at, std::min(piece, report.size() - at));
            console += reader.take_console_text();
        }
        EXPECT_TRUE(reader.malformed().empty()) << reader.malformed();
        EXPECT_FALSE(reader.in_a_record());
        ASSERT_TRUE(reader.have_status());
        EXPECT_EQ(reader.status().events_played, 2u);
        EXPECT_EQ(console, "run_client quits\nkey 114\n");
        ASSERT_EQ(reader.shown().width, 3);
        ASSERT_EQ(reader.shown().height, 4);
        EXPECT_EQ(reader.shown().pixels, (std::vector<std::uint32_t>{white, white, white, red, red, red, red, red,
                                                                     red, white, blue, white}));
    }
}

TEST(ReportReader, APictureCutOffLeavesTheLastWholeOne) {
    // Each picture's rows, then the status that makes them the one shown.
    const std::string first = status_record(0) + rows_record(2, 2, 0, 2, red) + status_record(0, 1);
    const std::string second = rows_record(2, 2, 0, 1, blue) + rows_record(2, 2, 1, 2, blue) + status_record(0, 2);
    // The program ended in the middle of a record, and between the rows of
    // a picture and its status: the first picture, not a mixture.
    for (std::size_t cut : {second.size() - sizeof(draxo::run_report_record) - 70, second.size() / 2 + 5,
                            second.size() - sizeof(draxo::run_report_record) - 64}) {
        report_reader reader;
        std::string report = first + second.substr(0, cut);
        reader.take(report.data(), report.size());
        EXPECT_TRUE(reader.malformed().empty());
        EXPECT_EQ(reader.shown().pixels, std::vector<std::uint32_t>(4, red)) << cut;
    }
    report_reader reader;
    std::string report = first + second;
    reader.take(report.data(), 40);  // in pieces: rows waiting for their status across them
    reader.take(report.data() + 40, report.size() - 40 - 10);
    EXPECT_TRUE(reader.in_a_record());
    EXPECT_EQ(reader.shown().pixels, std::vector<std::uint32_t>(4, red));
    reader.take(report.data() + report.size() - 10, 10);
    EXPECT_FALSE(reader.in_a_record());
    EXPECT_EQ(reader.shown().pixels, std::vector<std::uint32_t>(4, blue));
}

TEST(ReportReader, NothingReportedIsNoStatusAndNoPicture) {
    report_reader reader;
    EXPECT_FALSE(reader.have_status());
    EXPECT_TRUE(reader.shown().pixels.empty());
    EXPECT_FALSE(reader.in_a_record());
}

TEST(ReportReader, BytesThatAreNoRecordAreNoticedAndNothingAfterThemIsRead) {
    auto malformed = [](const std::string& report) {
        report_reader reader;
        reader.take(report.data(), report.size());
        std::string later = rows_record(1, 1, 0, 1, blue);
        reader.take(later.data(), later.size());
        EXPECT_TRUE(reader.shown().pixels.empty() || reader.shown().pixels[0] != blue);
        return reader.malformed();
    };
    EXPECT_EQ(malformed(status_record(0) + "this is no record of a run"), "no record starts at byte 76");
    EXPECT_EQ(malformed(rows_record(1, 1, 0, 1, red)), "the report does not start with a status");
    EXPECT_EQ(malformed(status_record(0) + record(static_cast<draxo::run_report_kind>(9), "x")),
              "a record of no known kind (9) at byte 76");
    std::string other_version = status_record(0);
    other_version[sizeof(draxo::run_report_record) + 8] = 7;
    EXPECT_EQ(malformed(other_version), "a status at byte 0 of another kind or version");
    // Rows outside their picture, a size that does not match its rows, and
    // part of a picture of a new size.
    EXPECT_EQ(malformed(status_record(0) + rows_record(2, 2, 1, 3, red)), "rows at byte 76 that fit no picture");
    std::string short_rows = rows_record(2, 2, 0, 2, red);
    short_rows.resize(short_rows.size() - 4);
    reinterpret_cast<draxo::run_report_record*>(short_rows.data())->size -= 4;
    EXPECT_EQ(malformed(status_record(0) + short_rows), "rows at byte 76 that fit no picture");
    EXPECT_EQ(malformed(status_record(0) + rows_record(2, 2, 0, 1, red)), "rows at byte 76 that fit no picture");
    EXPECT_EQ(malformed(status_record(0) + rows_record(2, 2, 0, 2, red, 1, 3)),
              "rows at byte 76 that fit no picture");
    // A size no record has is refused at once, not awaited.
    std::string huge = record(draxo::report_rows, "");
    reinterpret_cast<draxo::run_report_record*>(huge.data())->size = 0xFFFFFFF0u;
    EXPECT_EQ(malformed(status_record(0) + huge), "a record at byte 76 claims 4294967280 bytes");
}

}  // namespace
}  // namespace draxo_run
