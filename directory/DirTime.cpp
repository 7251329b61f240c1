#include "directory/DirTime.h"

#include <locale.h>
#include <time.h>
#include <clocale>
#include <ctime>

#include <array>

#include "util/Format.h"

namespace recast {

namespace {

// The environment's LC_TIME for the duration of one call.
class TimeLocale {
 public:
  TimeLocale() : locale_(newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0))) {}
  ~TimeLocale() {
    if (locale_ != static_cast<locale_t>(0)) freelocale(locale_);
  }
  TimeLocale(const TimeLocale&) = delete;
  TimeLocale& operator=(const TimeLocale&) = delete;

  bool valid() const { return locale_ != static_cast<locale_t>(0); }
  std::string Text(const char* format, const std::tm& time) const {
    std::array<char, 256> buffer{};
    const std::size_t n = strftime_l(buffer.data(), buffer.size(), format, &time, locale_);
    return std::string(buffer.data(), n);
  }

 private:
  locale_t locale_;
};

}  // namespace

std::int32_t LocalTimeBias() {
  tzset();
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return 0;
  return static_cast<std::int32_t>(-local.tm_gmtoff / 60);
}

std::string FormatDirTime(std::uint32_t seconds, bool toLocalTime) {
  std::time_t when = static_cast<std::time_t>(seconds);
  if (toLocalTime) when -= static_cast<std::time_t>(LocalTimeBias()) * 60;
  std::tm time{};
  if (gmtime_r(&when, &time) == nullptr) return {};

  const TimeLocale locale;
  if (!locale.valid()) {
    return Format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d",
                  {time.tm_year + 1900, time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec});
  }
  std::string text = locale.Text("%x %X", time);
  if (text.empty()) text = locale.Text("%x", time);
  if (text.empty()) text = locale.Text("%X", time);
  return text;
}

}  // namespace recast
