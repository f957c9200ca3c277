/* Joining the program's arguments into one command line; see join_arguments.h. */
#include "join_arguments.h"

#include <stdlib.h>
#include <string.h>

/* Writes one character at *at, or, with out null, only counts it. */
static void put(char* out, size_t* at, char c) {
    if (out) out[*at] = c;
    ++*at;
}

static void put_argument(char* out, size_t* at, const char* argument) {
    if (argument[0] != '\0' && !strpbrk(argument, " \t\"")) {
        for (const char* p = argument; *p; ++p) put(out, at, *p);
        return;
    }
    put(out, at, '"');
    for (const char* p = argument;; ++p) {
        size_t backslashes = 0;
        while (p[backslashes] == '\\') ++backslashes;
        p += backslashes;
        /* Backslashes before a quote, or before the closing quote, are doubled. */
        if (*p == '"' || *p == '\0') backslashes *= 2;
        for (size_t i = 0; i < backslashes; ++i) put(out, at, '\\');
        if (*p == '\0') break;
        if (*p == '"') put(out, at, '\\');
        put(out, at, *p);
    }
    put(out, at, '"');
}

char* draxo_join_arguments(int count, char** arguments) {
    size_t length = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0) put(NULL, &length, ' ');
        put_argument(NULL, &length, arguments[i]);
    }
    char* line = malloc(length + 1);
    if (!line) return NULL;
    size_t at = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0) put(line, &at, ' ');
        put_argument(line, &at, arguments[i]);
    }
    line[at] = '\0';
    return line;
}
