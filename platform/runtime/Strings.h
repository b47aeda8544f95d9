#pragma once
// Small text procedures of the original platform.

#include <QString>

namespace rt {

// The platform's Trim: removes leading and trailing blanks (not tabs or line ends).
inline QString Trim(const QString& s) {
  qsizetype begin = 0;
  qsizetype end = s.size();
  while (begin < end && s[begin] == u' ') ++begin;
  while (end > begin && s[end - 1] == u' ') --end;
  return s.mid(begin, end - begin);
}

}  // namespace rt
