// What system_crt prints, collected in a string: for the tests.
#ifndef TK_TIMEINFO_STRING_CAPTURE_H_
#define TK_TIMEINFO_STRING_CAPTURE_H_

#include <cstddef>
#include <string>

#include "timeinfo/system_crt.h"

namespace tk::timeinfo {

struct string_capture {
  string_capture() = default;
  string_capture(const string_capture&) = delete;
  string_capture& operator=(const string_capture&) = delete;

  std::string text;
  // Hand &sink to system_crt; it appends to `text`.
  print_capture sink{[](void* context, const char* bytes, std::size_t length) {
                       static_cast<std::string*>(context)->append(bytes,
                                                                  length);
                     },
                     &text};
};

}  // namespace tk::timeinfo

#endif  // TK_TIMEINFO_STRING_CAPTURE_H_
