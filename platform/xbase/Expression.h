#pragma once
// A compiled key or FOR expression over the fields of one table: field names, UPPER(),
// STR(), DTOS(), DELETED(), '!' / .NOT., string literals and '+' (concatenation of
// texts, sum of numbers). Names and functions match without regard to case and spaces,
// so "UPPER( CODE )" and "upper(code)" compile alike. Evaluation reads one record
// buffer (delete flag at byte 0) and allocates nothing beyond the caller's string.
// Immutable after Compile; safe to share between threads.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xbase/DbfHeader.h"
#include "platform/xbase/Status.h"

namespace xb {

class Expression {
 public:
  enum class Type { kChar, kNumeric, kDate, kLogical };
  struct Node;

  ~Expression();
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  // nullptr with *status when the text is not an expression of this subset over fields.
  static std::unique_ptr<Expression> Compile(std::string_view text, const std::vector<FieldDef>& fields,
                                             Status* status);

  Type type() const;
  // Length of a character result (the sum of the parts' lengths); 8 for dates.
  size_t length() const;
  const std::string& text() const { return text_; }

  // Appends the character result (kChar, or a date as YYYYMMDD, or a logical as T/F).
  void EvalChar(const char* record, std::string* out) const;
  double EvalNumber(const char* record) const;  // kNumeric; a date as its day number
  bool EvalBool(const char* record) const;      // kLogical

 private:
  Expression(std::string text, std::unique_ptr<Node> root);
  std::string text_;
  std::unique_ptr<Node> root_;
};

// Day number (Julian day) of a YYYYMMDD date text; 0 when it is blank or no date.
double DateDayNumber(const char* text);

}  // namespace xb
