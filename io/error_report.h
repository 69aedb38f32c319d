#pragma once

// The program's one error-report hook: shows the message and asks whether to debug.
// Returns 1 when the user asks to break into a debugger, 0 otherwise. The POSIX build
// writes the message to standard error and answers 0.
int reportError(const char* message);
