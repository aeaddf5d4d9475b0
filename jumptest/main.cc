// jumptest: a modal dialog built in memory whose buttons fetch values
// through a jump table. The process ends with the dialog's result.
#include <windows.h>

#include "jumptest/dialog_win32.h"
#include "jumptest/jumptest_driver.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  tk::jumptest::module_handle = GetModuleHandleA(nullptr);
  ExitProcess(static_cast<UINT>(tk::jumptest::run_dialog()));
}
