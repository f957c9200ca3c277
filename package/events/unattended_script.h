// The script of an unattended run (DRAXO_SCRIPT): played as the program's
// input from its first wait, the way Playback Script plays "DRAXO.SCR" (the
// same lines, runs of periodic events, no waiting for ticks), from a file of
// its own, so that a "DRAXO.SCR" in the current directory is not touched and
// the Run menu's recording and playback work as ever. When the script ends,
// the program is asked to quit: every wait returns DRAXO_QUIT from then on,
// and a program still waiting when its grace time is over is ended.
#pragma once

#include <string>

namespace draxo {

// Opens the script and counts its events. False, with the reason, when it
// cannot be read. `grace_seconds`: the time a program has to end after the
// script's quit.
bool open_unattended_script(const std::string& path, double grace_seconds, std::string& why_not);
// No script in a run without a screen: nobody can give the program input,
// so its first wait is the quit, as at the end of an empty script.
void play_no_script(double grace_seconds);
// A script is being played, or has been: the wait takes its events.
bool unattended_script_active();
// Called by the wait in each pass while the script is active, in place of
// live input: puts the next script event, or at its end DRAXO_QUIT, into
// pending_event and last_event. A program waiting again when its grace time
// is over is ended: through the handler below, which does not return.
void next_unattended_event();
// Answers DRAXO_gets from the script, as typed into its dialog: the key
// events up to the next Enter (13), Backspace (8) taking back a character,
// other events passing meanwhile; in the input encoding (DRAXO_UTF8: each
// Latin-1 key as its UTF-8 bytes), at most size - 1 bytes, cut between two
// characters.
// Returns 1 with the line in `result`; 0, leaving it as it was, when the
// script ends first (the program is then asked to quit) or when there is no
// script: nobody can answer in a run without a person.
int answer_gets_from_script(char* result, int size);
// What ends a program that waits on past its grace time; it must not return.
void on_grace_over(void (*handler)());
// At the end of the program: notes in the run file whether the script was
// played to its end (a program may end by itself right after its last
// event), without taking anything from it.
void settle_unattended_script();
// Back to the state before open_unattended_script (for tests).
void reset_unattended_script();

}  // namespace draxo
