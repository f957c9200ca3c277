/*
 * The process entry point for client programs that start from WinMain: it
 * passes the four start arguments on to the client's WinMain and returns
 * its result as the exit status.
 */
#include <stdlib.h>
#include <string.h>

#include "draxo.h"

struct DRAXO_instance_tag {
    int unused;
};

static struct DRAXO_instance_tag program_instance;

enum { SHOW_DEFAULT = 10 };

int main(int argc, char** argv) {
    /* The command line: the arguments after the program name, joined by spaces. */
    size_t length = 1;
    for (int i = 1; i < argc; ++i) length += strlen(argv[i]) + 1;
    char* command_line = malloc(length);
    if (!command_line) return 1;
    command_line[0] = '\0';
    for (int i = 1; i < argc; ++i) {
        if (i > 1) strcat(command_line, " ");
        strcat(command_line, argv[i]);
    }
    int result = WinMain(&program_instance, NULL, command_line, SHOW_DEFAULT);
    free(command_line);
    return result;
}
