#include <windows.h>

#include <cstdio>

#include "io/error_report.h"

// What the runtime's debug report would do: show the message and ask whether to debug.
// No (the default button) goes on. The message also goes to the debugger's output and
// to standard error, where a console or a wine terminal shows it.
int reportError(const char* message) {
  std::fprintf(stderr, "%s\n", message);
  std::fflush(stderr);
  OutputDebugStringA(message);
  OutputDebugStringA("\n");

  char text[512];
  std::snprintf(text, sizeof text, "%s\n\nDebug the program?\n\n(Yes breaks into the debugger, No goes on.)", message);
  // Owned by the active window, which gets the focus back when the box closes.
  const int answer = MessageBoxA(GetActiveWindow(), text, "Ambrelle - error report",
                                 MB_YESNO | MB_ICONERROR | MB_DEFBUTTON2 | MB_TASKMODAL | MB_SETFOREGROUND);
  return answer == IDYES ? 1 : 0;
}
