// timeinfo: prints the date and time report, waits for one key and ends
// with exit code 0.
#include "timeinfo/system_crt.h"
#include "timeinfo/timeinfo_driver.h"

int main() {
  int status = 0;
  {
    tk::timeinfo::system_crt crt;
    status = tk::timeinfo::run_timeinfo(crt);
  }
  tk::timeinfo::end_process(status);
}
