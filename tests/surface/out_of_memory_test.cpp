// Memory running out under the package's feet, as in a client whose own
// allocations used it all: every operation returns, none lets an exception
// into the C program (which would abort it), each one given up says so on
// standard error, and once memory is back the package works on. The global
// allocation functions of this test fail while `memory_gone` is set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "draxo.h"
#include "events/event_support.h"
#include "support/scratch_directory.h"
#include "support/test_support.h"

namespace {
bool memory_gone = false;
}

void* operator new(std::size_t size) {
    void* block = memory_gone ? nullptr : std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return memory_gone ? nullptr : std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace draxo {
namespace {

class OutOfMemory : public test::InScratchDirectory {};

TEST_F(OutOfMemory, EveryOperationReturnsAndSaysWhatItGaveUp) {
    test::open_package();
    DRAXO_set_logging(1);
    DRAXO_set_animation(DRAXO_ANIMATE_RUN);
    const std::string long_text(300, 'x');  // longer than any string keeps in place
    char buffer[256] = "untouched";
    DRAXO_point p{1, 1};
    int x = 9, y = 9;
    char key = 9;
    const std::vector<std::pair<const char*, std::function<int()>>> operations = {
        {"DRAXO_clear_window", [] { return DRAXO_clear_window(); }},
        {"DRAXO_pixel", [] { return DRAXO_pixel(RED, 0, 0); }},
        {"DRAXO_circle_pt", [&] { return DRAXO_circle_pt(RED, p, 5); }},
        {"DRAXO_triangle", [] { return DRAXO_triangle(RED, 0, 0, 5, 0, 0, 5, 0); }},
        {"DRAXO_rectangle", [] { return DRAXO_rectangle(RED, 0, 0, 5, 5, 0); }},
        {"DRAXO_oval", [] { return DRAXO_oval(RED, 0, 0, 5, 5, 0); }},
        {"DRAXO_line", [] { return DRAXO_line(RED, 0, 0, 5, 5, 1); }},
        {"DRAXO_text", [&] { return DRAXO_text(RED, 0, 0, 12, long_text.c_str()); }},
        {"DRAXO_printf_text", [&] { return DRAXO_printf_text(RED, 0, 0, 12, "%s", long_text.c_str()); }},
        {"DRAXO_save_picture", [] { return DRAXO_save_picture("picture.png", -10, -10, 10, 10); }},
        {"DRAXO_console_printf", [&] { return DRAXO_console_printf("%s", long_text.c_str()); }},
        {"DRAXO_gets", [&] { return DRAXO_gets(long_text.c_str(), buffer); }},
        {"DRAXO_next_event", [&] { return DRAXO_next_event(&x, &y, &key); }},
        {"DRAXO_stop", [] { return DRAXO_stop(); }},
        {"DRAXO_start", [] { return DRAXO_start(nullptr, nullptr, nullptr, 1); }},
    };
    int given_up = 0;
    for (const auto& [name, call] : operations) {
        testing::internal::CaptureStderr();
        bool escaped = false;
        memory_gone = true;
        try {
            call();
        } catch (...) {
            escaped = true;
        }
        memory_gone = false;
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(escaped) << "an exception left " << name;
        if (errors.find(std::string("DRAXO: ") + name + ": out of memory; the call was given up") !=
            std::string::npos)
            ++given_up;
    }
    EXPECT_GE(given_up, 5);  // most operations need memory of their own

    // Memory back: the package is open (again) and does its work.
    DRAXO_start(nullptr, nullptr, nullptr, 1);
    EXPECT_EQ(DRAXO_circle(RED, 0, 0, 10), 1);
    EXPECT_EQ(DRAXO_console_printf("back\n"), 5);
    EXPECT_EQ(DRAXO_set_animation(DRAXO_ANIMATE_RUN), 1);
    EXPECT_EQ(test::next_event().kind, DRAXO_PERIODIC);
}

}  // namespace
}  // namespace draxo
