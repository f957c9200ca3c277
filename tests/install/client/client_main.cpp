// A C++ client with its own main().
#include <draxo.h>

#include <cstdio>

int main() {
    DRAXO_start(nullptr, nullptr, nullptr, 1);
    DRAXO_clear_window();
    int printed = DRAXO_console_printf("%d colours\n", GRAY_20 + 1);
    std::printf("cpp client: %d\n", printed);
    DRAXO_stop();
    return 0;
}
