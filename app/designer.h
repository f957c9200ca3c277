// The card designer's model, layout and click handling.
#pragma once

#include <string>

#include "files/safe_write.h"

namespace cards {

constexpr int max_objects = 24;  // objects are numbered 1 to 24

enum object_kind { OBJECT_SHAPE = 1, OBJECT_MESSAGE = 2 };
enum status_value { STATUS_ADD_SHAPE = 1, STATUS_ADD_MESSAGE = 2, STATUS_SELECT = 3, STATUS_ERROR = 999 };
enum click_kind { CLICK_BUTTON = 1, CLICK_CARD = 2, CLICK_NONE = 3 };

constexpr int button_count = 6;
extern const char* const button_labels[button_count];
// Two more buttons under the six, drawn the same way, that keep the card.
enum save_button { SAVE_NONE = 0, SAVE_CARD = 1, SAVE_PICTURE = 2 };
constexpr int save_button_count = 2;
extern const char* const save_button_labels[save_button_count];

// The card file when none is named at start, in the current directory.
constexpr const char* default_card_file = "card.draxo";
// Periodic events for which a note stays: about three seconds while
// animation runs, and the same passes when a script plays back.
constexpr int note_moment = 30;
constexpr int note_until_click = -1;

// Everything the designer knows. The object table is indexed by object
// number; entry 0 is never an object. The table starts zero-filled, so that
// entries above the count have a defined kind (0, none).
struct designer_state {
    int background_color = 5;  // yellow
    int status = STATUS_ADD_SHAPE;
    int object_count = 0;
    int object_kind[max_objects + 1] = {};
    int object_style[max_objects + 1] = {};
    int object_color[max_objects + 1] = {};
    int object_x[max_objects + 1] = {};
    int object_y[max_objects + 1] = {};
    int selected_object = 0;  // 0: none
    int done = 0;

    // Where "Save Card" writes, and whether the file there may be replaced:
    // only one that this designer has read or written, or that was not there,
    // and only while it is still as this designer last saw it (nothing, or
    // the bytes read or written), so that a card saved meanwhile by another
    // designer is never overwritten.
    std::string card_file = default_card_file;
    bool card_file_ours = true;
    draxo::files::expectation card_file_seen{draxo::files::expectation::nothing_there, {}};
    // A note shown for a moment in place of the status line: its text,
    // colour and size, and how many periodic events it has left (0: no
    // note; note_until_click: it stays until the next click).
    std::string note;
    int note_color = 0;
    int note_size = 14;
    int note_left = 0;
};

// Drawing the work area: background, card with title, objects and status
// line, and the button panel (highlight: the button with a red label, -1
// for none).
void clear_work_area();
void draw_card(const designer_state& state);
void draw_buttons(int highlight);

int classify_click(int x, int y);
void handle_click(int x, int y, designer_state& state);
void press_button(int x, int y, designer_state& state);
void add_shape(int x, int y, designer_state& state);
void add_message(int x, int y, designer_state& state);
double squared_distance(int x1, int y1, int x2, int y2);
int nearest_object(int x, int y, const int object_x[], const int object_y[], int object_count);

// One pass of the main loop's drawing: the whole work area from the state.
void draw_work_area(const designer_state& state);

// The save button under a click, SAVE_NONE for none. Only clicks that hit
// none of the six buttons and miss the card can press one.
int save_button_at(int x, int y);
// One event of the main loop: a click goes to a save button or to
// handle_click, and ends a note; a periodic event takes one from the
// note's moment; a quit ends the loop.
void handle_event(int kind, int x, int y, designer_state& state);
// Shows a note for `passes` periodic events (note_until_click: until the
// next click). A failure is shown in red, smaller, to leave room for why.
void show_note(designer_state& state, const std::string& text, bool failure, int passes = note_moment);

}  // namespace cards
