// A Windows program, built as a 64-bit one, that opens the Wine session's
// desktop, creates the file named by its argument to say so, and then waits
// until it is ended. A 32-bit program cannot start the 64-bit desktop process
// here, so the 32-bit test session runs this before any 32-bit program.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  if (GetDesktopWindow() == nullptr) return 1;
  const HANDLE ready =
      CreateFileA(command_line, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(ready);
  Sleep(INFINITE);
  return 0;
}
