// timeinfo: prints the date and time report, waits for one key and ends
// with exit code 0.
#include "timeinfo/system_crt.h"
#include "timeinfo/timeinfo_driver.h"

int main() {
  {
    tk::timeinfo::system_crt crt;
    tk::timeinfo::time_report(crt);
    tk::timeinfo::wait_for_key(crt);
  }
  tk::timeinfo::end_process(0);
}
