// Local wall-clock time.
#pragma once

namespace kovrin {

struct LocalTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime now() = 0;
};

}  // namespace kovrin
