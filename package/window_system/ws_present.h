// The layer's core: presentation, the part of putting a window on the screen
// that is the same on every platform. It finds what changed in a window's
// surface since the screen was last given it and keeps the copy the screen
// was given, paces a busy program's frames, fits the windows' scale to the
// screen, turns a typed character into the package's, and converts dialog
// units to pixels. A backend is handed a rectangle of the surface to show and
// copies it (backend.h, Presentation); what it alone can measure (the
// screen, a font) it measures and hands to the functions here.
//
// Rectangles are the layer's own: right and bottom exclusive, in the
// surface's pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "window_system.h"

namespace draxo::ws {

// The shortest time between two showings of a window's new pixels while a
// program draws without waiting: about one display frame, so that a program
// drawing thousands of frames a second never waits for the screen.
constexpr int frame_interval_ms = 16;

// A copy of the pixels a window's screen was last given.
class shown_copy {
public:
    // Brings the copy up to date with `now` and returns the rectangle that
    // differed: empty when nothing did, the whole surface when its size
    // changed (or nothing was shown yet).
    rect take_changes(const pixels& now);
    // The screen lost what it showed: the next take_changes returns the whole.
    void forget();

private:
    std::vector<std::uint32_t> bits_;
    int width_ = 0, height_ = 0;
    bool held_ = false;
};

// What the core keeps of a window's presentation.
struct presentation {
    shown_copy shown;
    double last_shown_ms = -1e9;   // when new pixels last went to the screen
    bool frame_scheduled = false;  // a frame is asked for (backend::schedule_frame)
};

// The whole scale (screen pixels a logical pixel takes) for windows: the
// screen's own factor taken down to a whole number (at least 1), made
// smaller while a window of `must_fit` (logical pixels) would not fit
// `screen` (screen pixels) at it.
int fitting_scale(double screen_factor, extent must_fit, extent screen);

// The package's character for a typed character (a Unicode code point):
// itself within Latin-1, '?' beyond it; -1 (none) stays -1.
int typed_character(long code_point);

// Dialog units: horizontal ones are quarters of the dialog font's average
// character width, vertical ones eighths of its character height (its base
// units, each at least 1). A unit's pixels are counted down from where it
// starts, so that negative places convert as positive ones do.
struct dialog_units {
    int base_x = 1, base_y = 1;
    dialog_units(int average_width, int character_height);
    int px(int units) const;
    int py(int units) const;
};

}  // namespace draxo::ws
