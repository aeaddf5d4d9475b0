// timeinfo: prints the date and time report, waits for one key and ends
// with exit code 0.
#include "system_crt.h"
#include "time_report.h"

int main() {
  {
    timeinfo::system_crt crt;
    timeinfo::time_report(crt);
    timeinfo::wait_for_key(crt);
  }
  timeinfo::end_process(0);
}
