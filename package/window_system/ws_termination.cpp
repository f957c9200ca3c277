// The layer's core: the system's requests to end the program. The first
// becomes the quit at every wait; the grace time after it is waited out here
// for every backend, whose own part is only to hear the request (a signal,
// a console event) and to end the program when the time is over.
#include <chrono>
#include <thread>

#include "ws_core.h"

namespace draxo::ws {

void native_termination_requested() {
    core().ending = true;
    post_quit_message(0);
}

void on_forced_end(void (*last_words)()) { core().last_words.store(last_words); }

void before_forced_end() {
    if (void (*last_words)() = core().last_words.load()) last_words();
}

void wait_out_grace_time() {
    std::this_thread::sleep_for(std::chrono::milliseconds(termination_grace_ms));
    before_forced_end();
}

}  // namespace draxo::ws
