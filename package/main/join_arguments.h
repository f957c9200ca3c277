/*
 * The command line that main() hands to WinMain: the arguments after the
 * program's name, joined as the desktop writes a command line, so that
 * splitting it by the desktop's rules gives the same arguments back.
 */
#ifndef DRAXO_JOIN_ARGUMENTS_H
#define DRAXO_JOIN_ARGUMENTS_H

#ifdef __cplusplus
extern "C" {
#endif

/* Joins arguments[0] to arguments[count - 1] with single spaces. An argument
 * that is empty or holds a space, a tab or a double quote is written in
 * double quotes, with each double quote in it, and the backslashes before
 * one or before the closing quote, escaped by backslashes. Returns a string
 * to be released with free(), or null when memory is short. */
char* draxo_join_arguments(int count, char** arguments);

#ifdef __cplusplus
}
#endif

#endif /* DRAXO_JOIN_ARGUMENTS_H */
