/*
 * The process entry point for client programs that start from WinMain: it
 * passes the four start arguments on to the client's WinMain and returns
 * its result as the exit status. The command line is the arguments after
 * the program's name, joined as the desktop writes a command line (see
 * join_arguments.h), so that a client splitting it by the desktop's rules
 * gets the arguments back as they were, spaces and quotes included.
 */
#include <stdlib.h>

#include "draxo.h"
#include "join_arguments.h"

struct DRAXO_instance_tag {
    int unused;
};

static struct DRAXO_instance_tag program_instance;

enum { SHOW_DEFAULT = 10 };

int main(int argc, char** argv) {
    char* command_line = draxo_join_arguments(argc > 0 ? argc - 1 : 0, argv + (argc > 0 ? 1 : 0));
    if (!command_line) return 1;
    int result = WinMain(&program_instance, NULL, command_line, SHOW_DEFAULT);
    free(command_line);
    return result;
}
