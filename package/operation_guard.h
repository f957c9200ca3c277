// No C++ exception leaves a DRAXO_ operation: a client is a C program, and
// an exception crossing into it ends the process with an abort. Every
// operation's body is a function-try-block whose handler returns
// operation_failed(__func__, result). Memory running out (a client's own
// allocations may have used it up) is the fault a client meets; anything
// else caught there is a fault of the package's. Below every subsystem.
// A page's package is built without catching (its code stays small and
// fast): there an exception ends the program, and the page says why.
#pragma once

namespace draxo {

// Says on standard error that `operation` was given up and why, without
// asking for memory, and returns `result`: what the operation returns when
// it does nothing (0; DRAXO_QUIT for the event wait, so that a program's
// loop ends).
int operation_failed(const char* operation, int result) noexcept;

}  // namespace draxo
