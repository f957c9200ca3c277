/*
 * The process entry point for client programs that start from WinMain: it
 * passes the four start arguments on to the client's WinMain and returns
 * its result as the exit status. The command line is the arguments after
 * the program's name, joined as the desktop writes a command line (see
 * join_arguments.h), so that a client splitting it by the desktop's rules
 * gets the arguments back as they were, spaces and quotes included.
 */
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "draxo.h"
#include "join_arguments.h"

struct DRAXO_instance_tag {
    int unused;
};

static struct DRAXO_instance_tag program_instance;

enum { SHOW_DEFAULT = 10 };

/* Standard input, output or error closed when the program started (>&-)
 * would be taken by the next file the program or the package opens (the
 * display's connection, say), and the program's printf would write into
 * it: they are opened on the null device before anything else. Under
 * WebAssembly's system interface, which cannot put one descriptor in
 * another's place (no dup2), the streams are those its host gives. */
static void keep_standard_streams_open(void) {
#ifndef __wasi__
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
#endif
}

int main(int argc, char** argv) {
    keep_standard_streams_open();
    char* command_line = draxo_join_arguments(argc > 0 ? argc - 1 : 0, argv + (argc > 0 ? 1 : 0));
    if (!command_line) return 1;
    int result = WinMain(&program_instance, NULL, command_line, SHOW_DEFAULT);
    free(command_line);
    return result;
}
