// The card designer's model, layout and click handling.
#pragma once

namespace cards {

constexpr int max_objects = 24;  // objects are numbered 1 to 24

enum object_kind { OBJECT_SHAPE = 1, OBJECT_MESSAGE = 2 };
enum status_value { STATUS_ADD_SHAPE = 1, STATUS_ADD_MESSAGE = 2, STATUS_SELECT = 3, STATUS_ERROR = 999 };
enum click_kind { CLICK_BUTTON = 1, CLICK_CARD = 2, CLICK_NONE = 3 };

constexpr int button_count = 6;
extern const char* const button_labels[button_count];

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

}  // namespace cards
