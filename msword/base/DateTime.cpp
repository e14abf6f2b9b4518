#include "msword/base/DateTime.h"

#include <sys/time.h>

#include <cmath>
#include <ctime>

#include "msword/base/Platform.h"

namespace msword {

namespace {
constexpr double kMSecsPerDay = 86400000.0;

bool IsLeapYear(int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }
int DaysInMonth(int y, int m) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

// Days from 1 January 1 to the given date, then shifted to the 1899-12-30 epoch.
int64_t DaysFromCivil(int y, int m, int d) {
  int64_t days = 0;
  const int64_t py = y - 1;
  days = py * 365 + py / 4 - py / 100 + py / 400;
  for (int i = 1; i < m; ++i) days += DaysInMonth(y, i);
  days += d;
  return days - 693594;  // 693594 days from 0001-01-01 (day 1) to 1899-12-30
}
}  // namespace

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month))
    return false;
  Result = double(DaysFromCivil(Year, Month, Day));
  return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
    return false;
  Result = (double(Hour) * 3600000.0 + Min * 60000.0 + Sec * 1000.0 + MSec) / kMSecsPerDay;
  return true;
}

void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day) {
  // Civil-from-days on the proleptic Gregorian calendar.
  int64_t z = int64_t(std::floor(Value)) - 25569 + 719468;  // days since 1970-01-01, shifted to 0000-03-01
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  Year = int(y);
  Month = int(m);
  Day = int(d);
}

void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec) {
  double frac = std::fabs(Value - std::floor(Value));
  int64_t ms = int64_t(std::llround(frac * kMSecsPerDay));
  if (ms >= int64_t(kMSecsPerDay)) ms = int64_t(kMSecsPerDay) - 1;
  Hour = int(ms / 3600000);
  Min = int(ms / 60000 % 60);
  Sec = int(ms / 1000 % 60);
  MSec = int(ms % 1000);
}

TDateTime Now() {
  timeval tv{};
  ::gettimeofday(&tv, nullptr);
  std::tm local{};
  if (!UnixTimeToLocal(int64_t(tv.tv_sec), local)) return 0;
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date)) return 0;
  TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                int(tv.tv_usec / 1000), time);
  return date + time;
}

TDateTime DosDateTimeToDateTime(uint16_t Date, uint16_t Time) {
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(1980 + (Date >> 9), (Date >> 5) & 0x0F, Date & 0x1F, date)) return 0;
  if (!TryEncodeTime(Time >> 11, (Time >> 5) & 0x3F, (Time & 0x1F) * 2, 0, time)) return 0;
  return date + time;
}

bool FileTimeLocalOffset(const TFileTime& FileTime, int32_t& MinutesEast) {
  const int64_t seconds = int64_t(FileTime.Value() / 10000000ULL) - 11644473600LL;
  std::tm local{};
  if (!UnixTimeToLocal(seconds, local)) return false;
  MinutesEast = int32_t(local.tm_gmtoff / 60);
  return true;
}

bool FileTimeToLocalDosDateTime(const TFileTime& FileTime, uint16_t& Date, uint16_t& Time) {
  // 11644473600 seconds lie between 1601-01-01 and 1970-01-01.
  const int64_t seconds = int64_t(FileTime.Value() / 10000000ULL) - 11644473600LL;
  std::tm local{};
  if (!UnixTimeToLocal(seconds, local)) return false;
  const int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return false;
  const int sec = local.tm_sec > 59 ? 59 : local.tm_sec;
  Date = uint16_t((year - 1980) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
  Time = uint16_t(local.tm_hour << 11 | local.tm_min << 5 | sec / 2);
  return true;
}

}  // namespace msword
