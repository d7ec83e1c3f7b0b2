// Date-time values and their text.
#include "platform/DateText.h"

#include "platform/Clock.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Days between 1899-12-30 and 1970-01-01.
constexpr int64_t kEpochOffsetDays = 25569;
constexpr int kCenturyWindow = 50;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's
// days_from_civil).
int64_t daysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

struct CivilDate {
  int64_t year;
  unsigned month;
  unsigned day;
};

// The inverse (H. Hinnant's civil_from_days).
CivilDate civilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const unsigned month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  return {static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2), month, day};
}

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

int currentYear() { return platform::clock().localTime().wYear; }

}  // namespace

std::optional<platform::TDateTime> platform::EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return std::nullopt;
  if (day < 1 || day > daysInMonth(year, month)) return std::nullopt;
  return static_cast<double>(daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                             kEpochOffsetDays);
}

platform::TDateTime platform::Now() {
  const SYSTEMTIME now = clock().localTime();
  const double date = *EncodeDate(now.wYear, now.wMonth, now.wDay);
  const double milliseconds = ((now.wHour * 60.0 + now.wMinute) * 60.0 + now.wSecond) * 1000.0 + now.wMilliseconds;
  return date + milliseconds / 86'400'000.0;
}

std::optional<platform::TDateTime> platform::StrToDate(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  // Day, month, year: three runs of digits between two separators.
  std::vector<std::u16string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != u'/') continue;
    parts.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  if (parts.size() != 3) return std::nullopt;
  int numbers[3] = {};
  for (int i = 0; i < 3; ++i) {
    if (parts[i].empty() || parts[i].size() > 4) return std::nullopt;
    for (char16_t c : parts[i]) {
      if (c < u'0' || c > u'9') return std::nullopt;
      numbers[i] = numbers[i] * 10 + (c - u'0');
    }
  }
  int year = numbers[2];
  if (parts[2].size() <= 2) {
    const int pivot = currentYear() - kCenturyWindow;
    year += pivot - pivot % 100;
    if (year < pivot) year += 100;
  }
  return EncodeDate(year, numbers[1], numbers[0]);
}

std::u16string platform::FormatDateTime(std::u16string_view format, TDateTime value) {
  const double wholeDays = std::floor(value);
  const CivilDate date = civilFromDays(static_cast<int64_t>(wholeDays) - kEpochOffsetDays);
  const int64_t millisecondsOfDay = static_cast<int64_t>(std::llround((value - wholeDays) * 86'400'000.0));
  const int64_t secondsOfDay = std::min<int64_t>(millisecondsOfDay / 1000, 86'399);
  const int64_t fields[] = {static_cast<int64_t>(date.day),
                            static_cast<int64_t>(date.month),
                            date.year,
                            secondsOfDay / 3600,
                            secondsOfDay / 60 % 60,
                            secondsOfDay % 60};
  const auto number = [](int64_t value, size_t width) {
    std::u16string digits;
    const std::string text = std::to_string(value);
    for (size_t i = text.size(); i < width; ++i) digits += u'0';
    digits.append(text.begin(), text.end());
    return digits;
  };
  std::u16string out;
  size_t i = 0;
  while (i < format.size()) {
    const char16_t c = format[i];
    size_t run = 1;
    while (i + run < format.size() && format[i + run] == c) ++run;
    int field = -1;
    switch (c) {
      case u'd': field = 0; break;
      case u'm': field = 1; break;
      case u'y': field = 2; break;
      case u'h': field = 3; break;
      case u'n': field = 4; break;
      case u's': field = 5; break;
      default: break;
    }
    if (field < 0) {
      out.append(format.substr(i, run));
    } else if (field == 2) {
      out += run <= 2 ? number(fields[2] % 100, 2) : number(fields[2], 4);
    } else {
      out += number(fields[field], run >= 2 ? 2 : 1);
    }
    i += run;
  }
  return out;
}
