// The date-time value of the library: a double whose whole part counts days since
// 30 December 1899 and whose fraction is the time of day; 0 means "not set".
#pragma once

#include <cstdint>

namespace msword {

using TDateTime = double;

// A Windows FILETIME: 100-nanosecond intervals since 1 January 1601 (UTC), or a duration.
struct TFileTime {
  uint32_t dwLowDateTime = 0;
  uint32_t dwHighDateTime = 0;
  uint64_t Value() const { return uint64_t(dwHighDateTime) << 32 | dwLowDateTime; }
};

// False when the fields do not form a valid date (or time).
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result);
void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day);
// Hour, minute, second and millisecond of the time of day (rounded to the millisecond).
void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec);

// The current local date and time.
TDateTime Now();

// DOS date (bits 9-15 years since 1980, 5-8 month, 0-4 day) and time (bits 11-15
// hour, 5-10 minute, 0-4 seconds / 2) to a date-time; 0 when the fields are invalid.
TDateTime DosDateTimeToDateTime(uint16_t Date, uint16_t Time);
// A UTC FILETIME to local time, then to a DOS date and time; false outside 1980-2107.
bool FileTimeToLocalDosDateTime(const TFileTime& FileTime, uint16_t& Date, uint16_t& Time);
// The local time's offset from UTC, in minutes east, at the moment of a UTC
// FILETIME: what FileTimeToLocalDosDateTime added to it. False when it cannot be had.
bool FileTimeLocalOffset(const TFileTime& FileTime, int32_t& MinutesEast);

}  // namespace msword
