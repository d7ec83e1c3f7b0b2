// The framework's date-time value and its conversions to and from text, as
// the update list uses them.
//
// A TDateTime is a double: whole days since 1899-12-30 plus the fraction of
// the day, in local time. Dates are read and shown in the short date format
// "dd/mm/yyyy" with the separator '/'. A year written with one or two digits
// is taken in the century window of 50: the year within the 50 years before
// and the 49 years after the current year (on the platform clock).
#pragma once

#include "platform/Export.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

using TDateTime = double;

// The local date and time now, on the platform clock.
ZEF_EXPORT TDateTime Now();
// The date's value at midnight; nullopt for a day, month or year outside
// the calendar (years 1 to 9999).
ZEF_EXPORT std::optional<TDateTime> EncodeDate(int year, int month, int day);

// Reads day, month and year in that order, separated by '/', each of
// digits only (blanks around the whole text are ignored). Nullopt for
// anything else or a date outside the calendar.
ZEF_EXPORT std::optional<TDateTime> StrToDate(std::u16string_view text);

// Shows `value` by a picture of "d", "dd", "m", "mm", "yy", "yyyy", "h",
// "hh", "nn", "ss"; any other character stands for itself. ("dd/mm/yyyy")
ZEF_EXPORT std::u16string FormatDateTime(std::u16string_view format, TDateTime value);

}  // namespace platform
