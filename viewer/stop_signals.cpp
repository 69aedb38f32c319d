#include "viewer/stop_signals.h"

#include <initializer_list>

volatile std::sig_atomic_t stopSignal = 0;

namespace {
extern "C" void requestStop(int signal) { stopSignal = signal; }
}  // namespace

void catchStopSignals() {
  struct sigaction action {};
  action.sa_handler = requestStop;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT}) {
    struct sigaction previous {};
    if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}
