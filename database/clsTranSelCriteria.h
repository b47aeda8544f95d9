#pragma once
// clsTranSelCriteria: which transactions a transactions report shows (field 4 of a
// type-2 report record). A plain record; the two range dates are set only through
// SetDate and held as the text given (short-date text, or whatever a record held).

#include <QString>
#include <cstdint>

class clsTranSelCriteria {
 public:
  int32_t m_udTranType = 0;    // TranType 1..5; 0 all types
  int32_t m_nProductID = -1;   // below 1 = all products
  int32_t m_nTranCatID = -1;   // list type 2; below 1 = all
  int32_t m_nTranAcctID = -1;  // list type 7; below 1 = all
  int32_t m_DtRange = 0;       // DtRange: 0 all, 1 this month, 2 this year,
                               // 11 last month, 12 last year, 100 custom

  // The values above and both dates today ("Short Date").
  void Init();
  // Stores the code and both texts; for the relative codes (1, 2, 11, 12) the dates
  // are replaced by that range worked out for today. Errors: "clsTranSelCriteria_SetDate".
  void SetDate(int32_t DtRange, const QString& sCustomDateBegin, const QString& sCustomDateEnd);
  // One line (ending in CR LF) per active criterion; a relative range is worked out
  // afresh for today first. Empty when no criterion is active.
  QString Desc();
  // The dates as "YYYYMMDD"; "" when the held text is not a date.
  QString dbDateBegin() const;
  QString dbDateEnd() const;
  // The date texts as held (what the report record stores).
  QString DateBegin() const { return m_sDateBegin; }
  QString DateEnd() const { return m_sDateEnd; }

 private:
  static bool IsRelativeRange(int32_t code);
  QString m_sDateBegin;
  QString m_sDateEnd;
};
