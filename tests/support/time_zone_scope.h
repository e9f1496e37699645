#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace kova::test {

// Puts a time zone in place for the scope, for this process and the programs it starts; a POSIX
// rule ("CET-1CEST,M3.5.0,M10.5.0/3") needs no zone files.
class TimeZoneScope {
 public:
  explicit TimeZoneScope(const char* zone) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~TimeZoneScope() {
    if (previous_) {
      ::setenv("TZ", previous_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }
  TimeZoneScope(const TimeZoneScope&) = delete;
  TimeZoneScope& operator=(const TimeZoneScope&) = delete;

 private:
  std::optional<std::string> previous_;
};

}  // namespace kova::test
