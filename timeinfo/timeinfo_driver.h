// timeinfo's run: the date and time report, then the wait for one key; the
// program calls time_report, then wait_for_key, whatever its arguments.
#ifndef TK_TIMEINFO_TIMEINFO_DRIVER_H_
#define TK_TIMEINFO_TIMEINFO_DRIVER_H_

#include <cstdint>

#include "timeinfo/crt_services.h"

namespace tk::timeinfo {

// Prints the whole report through `crt`: heading, OS time and date,
// seconds since 1970, run-time time string, universal time, 12-hour time,
// milliseconds, zone offset, zone name, daylight saving, today, this year's
// Christmas and the days to (or since) it. Every value starts in column 38.
// A conversion the run-time cannot make shows "unknown" on its line.
void time_report(crt_services& crt);

// Stores |*first - *second| in *difference. Both times are taken as
// extended-precision floating values, so no integer subtraction can
// overflow; the result is rounded to double once.
void time_difference(const std::int64_t* first, const std::int64_t* second,
                     double* difference);

// Prints "\r\nPress any key to continue...", reads one key (both codes of
// a two-code key) and ends the line with "\r\n".
void wait_for_key(crt_services& crt);

}  // namespace tk::timeinfo

#endif  // TK_TIMEINFO_TIMEINFO_DRIVER_H_
