// The card designer: its layout, hit-testing and everything a click does.
#include "designer.h"

#include "draxo.h"
#include "pictures.h"
#include "saving.h"

namespace cards {

const char* const button_labels[button_count] = {
    "Background Color", "Object Color", "Next, Please", "Add Message", "Add Shape", "Select Object",
};
const char* const save_button_labels[save_button_count] = {"Save Card", "Save Picture"};

namespace {

struct status_line {
    const char* text;
    int color;
    int size;
};

status_line status_line_for(int status) {
    switch (status) {
    case STATUS_ADD_SHAPE: return {"Click on the card to add a shape", BLACK, 14};
    case STATUS_ADD_MESSAGE: return {"Click on the card to add a message", BLACK, 14};
    case STATUS_SELECT: return {"Object selected. Click button to change shape.", RED, 11};
    default: return {"Status error -- notify programmer", BLACK, 14};
    }
}

// Every text goes through the printf form; "%s" keeps a text from ever
// being read as a format.
void draw_text(int color, int x, int y, int size, const char* text) {
    DRAXO_printf_text(color, x, y, size, "%s", text);
}

void add_object(int kind, int x, int y, designer_state& state) {
    int number;
    if (state.object_count == 0) {
        state.status = STATUS_SELECT;
        number = state.object_count = 1;
    } else if (state.object_count == max_objects) {
        return;
    } else {
        state.status = kind == OBJECT_SHAPE ? STATUS_ADD_SHAPE : STATUS_SELECT;
        number = ++state.object_count;
    }
    state.object_kind[number] = kind;
    state.object_style[number] = 0;
    state.object_color[number] = BLACK;
    state.object_x[number] = x;
    state.object_y[number] = y;
}

}  // namespace

void clear_work_area() { DRAXO_rectangle(WHITE, -300, -250, 300, 250, 0); }

void draw_card(const designer_state& state) {
    draw_text(RED, -140, 215, 20, "Your Personal Greeting Card Designer");
    DRAXO_rectangle(state.background_color, -140, -150, 220, 200, 0);
    for (int n = 1; n <= state.object_count; ++n) {
        if (state.object_kind[n] == OBJECT_SHAPE)
            draw_shape(state.object_style[n], state.object_color[n], state.object_x[n], state.object_y[n]);
        else if (state.object_kind[n] == OBJECT_MESSAGE)
            draw_message(state.object_style[n], state.object_color[n], state.object_x[n], state.object_y[n]);
    }
    status_line line = status_line_for(state.status);
    if (state.note_left != 0) line = status_line{state.note.c_str(), state.note_color, state.note_size};
    draw_text(line.color, -140, -190, line.size, line.text);
}

// The six buttons, then the two save buttons under them, 35 units apart.
void draw_buttons(int highlight) {
    for (int i = 0; i < button_count + save_button_count; ++i) {
        int top = 250 - 35 * i;
        const char* label = i < button_count ? button_labels[i] : save_button_labels[i - button_count];
        DRAXO_rectangle(BLACK, -296, top - 2, -200, top - 37, 1);
        draw_text(i == highlight ? RED : BLACK, -294, top - 17, 12, label);
    }
}

void draw_work_area(const designer_state& state) {
    clear_work_area();
    draw_card(state);
    draw_buttons(-1);
}

int classify_click(int x, int y) {
    if (x < -200 && y < 250 && y > 40) return CLICK_BUTTON;
    if (x >= -140 && x < 220 && y >= -150 && y < 200) return CLICK_CARD;
    return CLICK_NONE;
}

void handle_click(int x, int y, designer_state& state) {
    switch (classify_click(x, y)) {
    case CLICK_BUTTON: press_button(x, y, state); break;
    case CLICK_CARD:
        if (state.status == STATUS_ADD_SHAPE) {
            add_shape(x, y, state);
            state.selected_object = state.object_count;
        } else if (state.status == STATUS_ADD_MESSAGE) {
            add_message(x, y, state);
            state.selected_object = state.object_count;
        } else {
            state.status = STATUS_SELECT;
            if (state.selected_object == 0) {
                state.selected_object = nearest_object(x, y, state.object_x, state.object_y, state.object_count);
            } else {
                state.object_x[state.selected_object] = x;  // the selected object moves to the click
                state.object_y[state.selected_object] = y;
            }
        }
        break;
    default: break;
    }
}

void press_button(int x, int y, designer_state& state) {
    (void)x;
    int selected = state.selected_object;
    switch ((250 - y) / 35) {
    case 0: state.background_color = (state.background_color + 1) % 24; break;
    case 1:
        if (selected > 0 && state.object_kind[selected] != 0)
            state.object_color[selected] = (state.object_color[selected] + 1) % 24;
        break;
    case 2:
        if (selected > 0 && state.object_kind[selected] == OBJECT_SHAPE)
            state.object_style[selected] = (state.object_style[selected] + 1) % 4;
        else if (selected > 0 && state.object_kind[selected] == OBJECT_MESSAGE)
            state.object_style[selected] = (state.object_style[selected] + 1) % message_count;
        break;
    case 3: state.status = STATUS_ADD_MESSAGE; break;
    case 4: state.status = STATUS_ADD_SHAPE; break;
    case 5:
        state.status = STATUS_SELECT;
        state.selected_object = 0;
        break;
    default: state.status = STATUS_ERROR; break;
    }
}

// A save button's click area is its drawn box; the row its box shares with
// the box below counts for the lower button. The rows of "Select Object"'s
// box that press nothing (y 39 and 40) stay so.
int save_button_at(int x, int y) {
    if (x >= -200) return SAVE_NONE;
    if (y >= 4 && y <= 38) return SAVE_CARD;
    if (y >= -32 && y <= 3) return SAVE_PICTURE;
    return SAVE_NONE;
}

void handle_event(int kind, int x, int y, designer_state& state) {
    switch (kind) {
    case DRAXO_MOUSE:
        state.note_left = 0;  // a click ends a note: the status line says what the click did
        switch (save_button_at(x, y)) {
        case SAVE_CARD: save_card(state); break;
        case SAVE_PICTURE: save_picture(state); break;
        default: handle_click(x, y, state); break;
        }
        break;
    case DRAXO_PERIODIC:
        if (state.note_left > 0) --state.note_left;
        break;
    case DRAXO_QUIT: state.done = 1; break;
    default: break;  // keys change nothing
    }
}

void show_note(designer_state& state, const std::string& text, bool failure, int passes) {
    state.note = text;
    state.note_color = failure ? RED : BLACK;
    state.note_size = failure ? 11 : 14;
    state.note_left = passes;
}

void add_shape(int x, int y, designer_state& state) { add_object(OBJECT_SHAPE, x, y, state); }
void add_message(int x, int y, designer_state& state) { add_object(OBJECT_MESSAGE, x, y, state); }

double squared_distance(int x1, int y1, int x2, int y2) {
    // The differences are taken in 64 bits and squared in double precision:
    // exact for any two points of the work area, and no pair can overflow.
    auto dx = static_cast<double>(static_cast<long long>(x1) - x2);
    auto dy = static_cast<double>(static_cast<long long>(y1) - y2);
    return dx * dx + dy * dy;
}

int nearest_object(int x, int y, const int object_x[], const int object_y[], int object_count) {
    int best = 1;
    double best_distance = squared_distance(x, y, object_x[1], object_y[1]);
    for (int n = 1; n <= object_count; ++n) {
        double distance = squared_distance(x, y, object_x[n], object_y[n]);
        if (distance < best_distance) {  // ties go to the lower number
            best = n;
            best_distance = distance;
        }
    }
    return best;
}

}  // namespace cards
