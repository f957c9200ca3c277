// Opening and closing the package, the frame buffer, the origin and the copy
// of the frame buffer to the drawing window.
#include "display.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/console.h"
#include "events/run_state.h"
#include "events/script.h"
#include "palette.h"

namespace draxo {

ws::window main_window = nullptr;
ws::window console_window = nullptr;
draw_context* window_dc = nullptr;
ws::image frame_buffer = nullptr;
draw_context* buffer_dc = nullptr;
int origin_x = 0;
int origin_y = 0;
int frame_dirty = 1;

origin origin_of(const ws::rect& client) {
    return origin{client.left + (client.right - client.left) / 2, client.top + (client.bottom - client.top) / 2};
}

ws::rect console_geometry(int screen_width, int screen_height) {
    int top = (2 * screen_height) / 3 + 1;
    return ws::rect{0, top, screen_width, top + screen_height / 3};
}

void clear_frame_buffer() {
    brush previous = select_brush(*buffer_dc, brush{palette_rgb[WHITE], false});
    dc_rectangle(*buffer_dc, 0, 0, frame_width, frame_height);
    select_brush(*buffer_dc, previous);
    frame_dirty = 1;
}

void copy_to_screen() {
    if (window_dc && buffer_dc) dc_bit_blt(*window_dc, 0, 0, frame_width, frame_height, *buffer_dc, 0, 0);
    frame_dirty = 0;
}

void on_drawing_window_size(ws::window w) {
    origin o = origin_of(ws::client_rect(w));
    origin_x = o.x;
    origin_y = o.y;
}

void on_drawing_window_paint(ws::window w) {
    ws::begin_paint(w);
    copy_to_screen();
    ws::end_paint(w);
    frame_dirty = 0;
}

}  // namespace draxo

using namespace draxo;

extern "C" int DRAXO_start(HINSTANCE, HINSTANCE previous_instance, LPSTR, int show_command) {
    std::string why_not;
    if (!ws::init(why_not)) {
        std::fprintf(stderr, "DRAXO: %s\n", why_not.c_str());
        std::exit(1);
    }
    // Classes registered by an earlier instance would be found here; on this
    // platform no other process can have registered them, so any that are
    // missing are registered whatever the previous instance says.
    ws::colorref background = palette_rgb[WHITE];
    unsigned class_style = ws::CS_HREDRAW | ws::CS_VREDRAW;
    if (!previous_instance || !ws::class_registered(drawing_class_name))
        ws::register_class(drawing_class_name, class_style, graphics_window_proc, background);
    if (!previous_instance || !ws::class_registered(console_class_name))
        ws::register_class(console_class_name, class_style, console_window_proc, background);

    ws::extent screen = ws::screen_size();
    animation_running = false;
    single_step = false;

    main_window = ws::create_window(drawing_class_name, "DRAXO Graphics", ws::WS_CAPTION | ws::WS_SYSMENU, 0, 0,
                                    frame_width, frame_height);
    ws::rect console = console_geometry(screen.cx, screen.cy);
    console_window = ws::create_window(console_class_name, "DRAXO Text", ws::WS_OVERLAPPEDWINDOW, console.left,
                                       console.top, console.right - console.left, console.bottom - console.top);

    window_dc = get_dc(main_window);
    frame_buffer = ws::create_image(frame_width, frame_height);
    buffer_dc = create_memory_dc();
    select_image(*buffer_dc, frame_buffer);

    ws::show_window(console_window, show_command);
    ws::show_window(main_window, show_command);
    ws::set_timer(main_window, timer_id, timer_period_ms);
    return 1;
}

extern "C" int DRAXO_stop(void) {
    release_dc(window_dc);
    window_dc = nullptr;
    // A recording keeps its waiting run of periodic events, as switching
    // recording off would.
    if (recording)
        end_recording();
    else
        close_script_file();
    return 1;
}

extern "C" int DRAXO_clear_window(void) {
    if (logging) DRAXO_console_printf("Clearing the graphics window\n");
    clear_frame_buffer();
    return 1;
}
