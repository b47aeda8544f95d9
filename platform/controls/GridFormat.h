#pragma once
// Value conversions of the grid: the numeric and date readings of texts that the
// generic sort uses, and colours written as 0x00BBGGRR.

#include <QString>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/controls/GridCells.h"

namespace ctl::grid {

// The number a text reads as in the user's locale, as the generic sort compares it
// ("1,234.50", "$12", "-3"); nullopt for any other text.
std::optional<double> NumberOfText(const TextRef& text);

// Reads date texts as day numbers: the user's short date form and a day, month name and
// year ("7 Apr 2023") quickly, any other form as rt::ParseDateTime reads dates (years
// have four digits). Takes the locale's field order and month names when made.
class DateReader {
 public:
  DateReader();
  std::optional<double> Day(const QString& text) const;

 private:
  std::optional<double> Numeric(const QString& text) const;
  std::optional<double> Named(const QString& text) const;

  int monthField_ = 0, dayField_ = 1, yearField_ = 2;  // order of the short form's fields
  std::vector<std::pair<QString, int>> monthNames_;     // as rt::ParseDateTime tries them
};

}  // namespace ctl::grid
