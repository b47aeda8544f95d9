// clsSystem: dates, times and date ranges. Displayed dates always carry four-digit
// years; stored dates are "YYYYMMDD" texts.

#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Format.h"
#include "services/clsSystem.h"

namespace {

QString FormatNow(const QString& pattern) { return rt::Format(rt::Now(), pattern); }

// A stored date's part: digits only (blanks around allowed), else nullopt.
std::optional<int> StoredPart(const QString& text, qsizetype from, qsizetype len) {
  const QString part = text.mid(from, len).trimmed();
  if (part.isEmpty()) return std::nullopt;
  for (QChar c : part)
    if (c < u'0' || c > u'9') return std::nullopt;
  return part.toInt();
}

}  // namespace

QString clsSystem::LongDate() const { return FormatNow(QStringLiteral("Long Date")); }
QString clsSystem::CurrDateLong() const { return LongDate(); }
QString clsSystem::ShortDate() const { return FormatNow(QStringLiteral("Short Date")); }
QString clsSystem::CurrDateShort() const { return ShortDate(); }
QString clsSystem::CurrTimeAMPM() const { return FormatNow(QStringLiteral("h:mm:ss AMPM")); }

QString clsSystem::CurrDateTimeShort() const {
  return CurrDateShort() + QStringLiteral(" @ ") + CurrTimeAMPM();
}

QString clsSystem::CurrDateTimeLong() const {
  return CurrDateLong() + QStringLiteral(" @ ") + FormatNow(QStringLiteral("h:mm AMPM"));
}

QString clsSystem::NeutralShortDate() const { return FormatNow(QStringLiteral("MMM-DD-YY")); }

QString clsSystem::CBDateFormat(const QString& sDate) const {
  const auto d = rt::ParseDate(sDate);
  return d ? rt::Format(*d, QStringLiteral("YYYYMMDD")) : QString();
}

QString clsSystem::CBTimeFormat(const QString& sTime) const {
  const auto dt = rt::ParseDateTime(sTime);
  return dt ? rt::Format(*dt, QStringLiteral("hh:mm:ss")) : QString();
}

QString clsSystem::DBDateToDislayDate(const QString& sDBDate, const QString& sDateFormat) const {
  const QString stored = sDBDate.trimmed();
  if (stored.isEmpty()) return {};
  const auto y = StoredPart(stored, 0, 4);
  const auto m = StoredPart(stored, 4, 2);
  const auto d = StoredPart(stored, 6, 2);
  if (!y || !m || !d) return {};
  const QDate date = rt::DateSerial(*y, *m, *d);
  if (!date.isValid()) return {};
  return rt::Format(date, sDateFormat);
}

QString clsSystem::DBTimeToDislayTime(const QString& sDBTime) const {
  if (sDBTime.trimmed().isEmpty()) return {};
  const auto dt = rt::ParseDateTime(sDBTime);
  return dt ? rt::Format(*dt, QStringLiteral("h:mm:ss AMPM")) : QString();
}

QDateTime clsSystem::Str2Date(const QString& sDate) const {
  const auto dt = rt::ParseDateTime(sDate);
  return dt ? *dt : QDateTime(QDate(1800, 1, 1), QTime(0, 0));
}

int16_t clsSystem::CompareDate(const QString& sDate1, const QString& sDate2) const {
  const QDateTime a = Str2Date(sDate1), b = Str2Date(sDate2);
  return a > b ? 1 : (a < b ? -1 : 0);
}

int16_t clsSystem::GetNumDaysInMonth(int16_t nMonth, int16_t nYear) const {
  switch (nMonth) {
    case 1: case 3: case 5: case 7: case 8: case 10: case 12: return 31;
    case 2: return IsLeapYear(nYear) ? 29 : 28;
    default: return 30;
  }
}

bool clsSystem::IsLeapYear(int16_t nYear) const {
  return (nYear % 4 == 0 && nYear % 100 != 0) || nYear % 400 == 0;
}

bool clsSystem::MakeDateRange(int32_t DtRange, QString& sDateBegin, QString& sDateEnd) const {
  sDateBegin = sDateEnd = CurrDateTimeShort();
  const QDate today = rt::Today();
  const int y = today.year(), m = today.month();
  const int prevMonth = m == 1 ? 12 : m - 1;
  const int prevYear = prevMonth == 12 ? y - 1 : y;
  const QString ys = QString::number(y);
  auto monthRange = [&](int year, int month, QString& begin, QString& end) {
    const QString head = QString::number(year) + PrePad2Zeros(QString::number(month));
    begin = head + QStringLiteral("01");
    end = head + QString::number(GetNumDaysInMonth(static_cast<int16_t>(month), static_cast<int16_t>(year)));
  };
  QString begin, end;
  switch (DtRange) {
    case 1: monthRange(y, m, begin, end); break;
    case 2: begin = ys + QStringLiteral("0101"); end = ys + QStringLiteral("1231"); break;
    case 11: monthRange(prevYear, prevMonth, begin, end); break;
    case 12:
      begin = QString::number(y - 1) + QStringLiteral("0101");
      end = QString::number(y - 1) + QStringLiteral("1231");
      break;
    default: return false;
  }
  sDateBegin = DBDateToDislayDate(begin, QStringLiteral("Short Date"));
  sDateEnd = DBDateToDislayDate(end, QStringLiteral("Short Date"));
  return true;
}
