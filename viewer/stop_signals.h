#pragma once
#include <csignal>

// SIGTERM and SIGINT ask a program of the viewer's to stop: its loop ends before the next
// pass and nothing is left half-written. The signal that asked, 0 until one did. (A signal
// handler can only reach the program through state like this; nothing else is kept here.)
extern volatile std::sig_atomic_t stopSignal;

// Catches SIGTERM and SIGINT into stopSignal from now on. A signal the caller chose to
// ignore (a background job's SIGINT) stays ignored.
void catchStopSignals();
