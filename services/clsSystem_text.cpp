// clsSystem: text, number, list and name procedures.

#include <QCheckBox>
#include <QSysInfo>
#include <cmath>
#include <limits>

#include "platform/runtime/Codepage.h"
#include "platform/runtime/Collection.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Currency.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/LocaleInfo.h"
#include "platform/ui/TextSurface.h"
#include "services/CsvFile.h"
#include "services/clsSystem.h"

#include "platform/runtime/Strings.h"

namespace {

using rt::Trim;

int16_t Sign(int v) { return static_cast<int16_t>((v > 0) - (v < 0)); }

template <typename Pred>
bool AllChars(const QString& s, Pred pass) {
  for (QChar c : s)
    if (!pass(c.unicode())) return false;
  return true;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsAlpha(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

}  // namespace

// ---- numbers and counters -------------------------------------------------------------

int16_t clsSystem::Str2Int(const QString& sVal) const {
  if (!rt::IsNumeric(sVal)) return 0;
  const double v = rt::RoundHalfEven(rt::Val(sVal));
  if (!(v > std::numeric_limits<int16_t>::min())) return std::numeric_limits<int16_t>::min();
  if (v > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  return static_cast<int16_t>(v);
}

int16_t clsSystem::CompareInt(const QString& s1, const QString& s2) const {
  return Sign(Str2Int(s1) - Str2Int(s2));
}

int16_t clsSystem::CompareStrNoCase(const QString& s1, const QString& s2) const {
  return Sign(QString::compare(s1, s2, Qt::CaseInsensitive));
}

QString clsSystem::FormatLongWithCommas(int32_t nVal) const {
  return rt::Format(nVal, QStringLiteral("##,##0"));
}

QString clsSystem::CommafyNoDec(const QVariant& vVal) const {
  std::optional<double> v;
  if (vVal.metaType().id() == QMetaType::QString) v = rt::ParseNumeric(vVal.toString());
  else if (vVal.metaType() == QMetaType::fromType<rt::Currency>()) v = vVal.value<rt::Currency>().ToDouble();
  else if (vVal.canConvert<double>() && vVal.isValid() && !vVal.isNull()) v = vVal.toDouble();
  if (!v || *v == 0) return QStringLiteral("0");
  return rt::Format(vVal, QStringLiteral("#,###"));
}

QString clsSystem::ZeroToNullStr(const QString& sVal, const QString& sPrefix) const {
  const auto v = rt::ParseNumeric(sVal);
  if (!v || *v == 0) return {};
  return sPrefix + sVal;
}

QString clsSystem::FormatNonZero(rt::Currency value, const QString& sFormat) const {
  if (value == rt::Currency()) return {};
  return rt::Format(QVariant::fromValue(value), sFormat);
}

QString clsSystem::GetCurrencySymbol() const { return rt::LocaleInfo::Current().currencySymbol; }

QString clsSystem::NumCleanStr(const QString& sVal) const {
  const rt::LocaleInfo loc = rt::LocaleInfo::Current();
  QString s = sVal;
  if (!loc.groupSeparator.isEmpty()) s.remove(loc.groupSeparator);
  if (!loc.currencySymbol.isEmpty()) s.remove(loc.currencySymbol);
  return s;
}

// ---- text cleaning, filling and cutting ------------------------------------------------

QString clsSystem::QuoteStr(const QString& sStr, bool bSingleQuote) const {
  const QString q = bSingleQuote ? QStringLiteral("'") : DoubleQuote();
  return q + sStr + q;
}

QString clsSystem::RemoveChar(const QString& sStr, const QString& sCharToRemove) const {
  if (sCharToRemove.size() != 1) return sStr;
  QString s = sStr;
  s.remove(sCharToRemove[0]);
  return s;
}

QString clsSystem::RemoveLastChar(const QString& sStr, const QString& sChar) const {
  if (sStr.isEmpty()) return sStr;
  if (sChar.isEmpty() || sStr.endsWith(sChar[0])) return sStr.left(sStr.size() - 1);
  return sStr;
}

QString clsSystem::RemoveSurroundingQuote(const QString& sStr) const {
  if (sStr.size() > 1 && sStr.startsWith(u'"') && sStr.endsWith(u'"'))
    return sStr.mid(1, sStr.size() - 2);
  return sStr;
}

QString clsSystem::StrGetTextTilChar(const QString& sStr, const QString& sChar) const {
  if (sChar.isEmpty()) return sStr;
  const qsizetype i = sStr.indexOf(sChar[0]);
  return i < 0 ? sStr : sStr.left(i);
}

QString clsSystem::PadChar(const QString& sStr, int16_t nWidth, const QString& sChar,
                           int32_t AppendType) const {
  if (nWidth <= 0) return {};
  if (sStr.size() >= nWidth) return sStr.left(nWidth);
  if (sChar.isEmpty()) return sStr;
  const QString fill(nWidth - sStr.size(), sChar[0]);
  return AppendType == 2 ? sStr + fill : fill + sStr;
}

QString clsSystem::PadZeros(const QString& sStr, int16_t nWidth, int32_t AppendType) const {
  return PadChar(sStr, nWidth, QStringLiteral("0"), AppendType);
}

QString clsSystem::PadSpaces(const QString& sStr, int16_t nWidth, int32_t AppendType) const {
  return PadChar(sStr, nWidth, QStringLiteral(" "), AppendType);
}

QString clsSystem::PrePad2Zeros(const QString& sStr) const {
  return PadChar(sStr, 2, QStringLiteral("0"), 1);
}

QString clsSystem::PadOrTruncate(const QString& sStr, int32_t nWidth) const {
  const qsizetype width = std::max<qsizetype>(nWidth - 1, 0);
  if (sStr.size() <= width) return sStr + QString(width - sStr.size(), u' ');
  return sStr.left(std::max<qsizetype>(nWidth - 4, 0)) + QStringLiteral(".. ");
}

QString clsSystem::TrimTextToFit(const ui::TextSurface& surface, const QString& sText,
                                 double maxWidth) const {
  if (sText.isEmpty()) return {};
  if (surface.TextWidth(sText) < maxWidth) return sText;
  QString s = sText;
  while (!s.isEmpty() && !(surface.TextWidth(s) < maxWidth)) s.chop(1);
  s.chop(std::min<qsizetype>(4, s.size()));
  return s + QStringLiteral("..");
}

QString clsSystem::StrTruncate(const QString& sStr, int32_t nLen) const {
  if (sStr.size() <= nLen) return sStr;
  return sStr.left(std::max(nLen, 0)) + QStringLiteral("...");
}

QString clsSystem::StrTrimNull(QString& sStr) const {
  const qsizetype i = sStr.indexOf(QChar(u'\0'));
  if (i >= 0) sStr.truncate(i);
  return sStr;
}

QString clsSystem::RemoveCRLF(const QString& sStr) const {
  QString s = sStr;
  s.replace(CR(), QStringLiteral("  "));
  s.replace(LF(), QStringLiteral("  "));
  return s;
}

int32_t clsSystem::CharCountInStr(const QString& sStr, const QString& sChar) const {
  if (sChar.size() != 1) return 0;
  return static_cast<int32_t>(sStr.count(sChar[0]));
}

bool clsSystem::StrDigitsOnly(const QString& sStr) const { return AllChars(sStr, IsDigit); }

bool clsSystem::StrAlphaOnly(const QString& sStr) const { return AllChars(sStr, IsAlpha); }

bool clsSystem::StrAlphaDigitOnly(const QString& sStr) const {
  return AllChars(sStr, [](char16_t c) { return IsDigit(c) || IsAlpha(c); });
}

bool clsSystem::EmailAddressIsValid(const QString& sEmail) const {
  return !sEmail.contains(u' ') && !sEmail.endsWith(u'@') && sEmail.count(u'@') < 2;
}

// ---- comma-separated fields, lists and collections -------------------------------------

QString clsSystem::CSVField_GetValue(const QString& sField) const { return CsvFieldValue(sField); }

QString clsSystem::StrReplaceChar(const QString& sStr, const QString& sChar2Replace,
                                  const QString& sCharNew, bool bReplaceInQuoted) const {
  const bool matchable = sChar2Replace.size() == 1;
  QString out;
  out.reserve(sStr.size());
  bool inQuotes = false;
  for (QChar c : sStr) {
    if (c == u'"') inQuotes = !inQuotes;
    if (matchable && c == sChar2Replace[0] && (bReplaceInQuoted || !inQuotes)) out += sCharNew;
    else out += c;
  }
  return out;
}

void clsSystem::StrParse2Array(const QString& sText, QStringList& sArray, const QString& sDelim,
                               bool bMakeUpperCase) const {
  const QString entry0 = sArray.isEmpty() ? QString() : sArray.front();
  sArray = QStringList{entry0};
  auto add = [&](const QString& field) {
    const QString f = Trim(field);
    sArray.append(bMakeUpperCase ? f.toUpper() : f);
  };
  if (sDelim.isEmpty()) {  // nothing to split at: the whole text is the one field
    add(sText);
    return;
  }
  const bool endsWithDelim = sText.endsWith(sDelim);
  const QString work = endsWithDelim ? sText : sText + sDelim;
  qsizetype start = 0;
  for (qsizetype at = work.indexOf(sDelim); at >= 0; at = work.indexOf(sDelim, start)) {
    add(work.mid(start, NotBelowZeroLong(static_cast<int32_t>(at - start))));
    start = at + sDelim.size();
  }
  if (endsWithDelim) add(QString());
}

bool clsSystem::StrExistsInArray(const QString& sText, const QStringList& sArray,
                                 int32_t& nPos) const {
  for (qsizetype i = 1; i < sArray.size(); ++i) {
    if (sArray[i] == sText) {
      nPos = static_cast<int32_t>(i);
      return true;
    }
  }
  return false;
}

void clsSystem::CollectionClear(rt::Collection& colX) const {
  for (int32_t n = colX.Count(); n > 0; --n) colX.Remove(1);
}

void clsSystem::CollSetValueAtExistingKey(rt::Collection& colX, const QVariant& vValue,
                                          const QString& sKey) const {
  if (!colX.Exists(sKey)) return;
  colX.Remove(sKey);
  colX.Add(vValue, sKey);
}

// ---- hexadecimal text ---------------------------------------------------------------------

QString clsSystem::StringToHexStr(const QString& sStr) const {
  const std::string bytes = rt::ToCp1252(sStr);
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()) * 2);
  for (char b : bytes)
    out += QStringLiteral("%1").arg(static_cast<unsigned char>(b), 2, 16, QChar(u'0')).toUpper();
  return out;
}

QString clsSystem::HexStrToString(const QString& sHex) const {
  std::string bytes;
  for (qsizetype i = 0; i < sHex.size(); i += 2) {
    bool ok = false;
    const int code = sHex.mid(i, 2).toInt(&ok, 16);
    const bool digitsOnly = AllChars(sHex.mid(i, 2), [](char16_t c) {
      return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
    if (ok && digitsOnly) bytes += static_cast<char>(code);
  }
  return rt::FromCp1252(bytes);
}

// ---- names ----------------------------------------------------------------------------------

QString clsSystem::MakeFullName(const QString& sFirstname, const QString& sLastname) const {
  if (!sFirstname.isEmpty() && !sLastname.isEmpty()) return sLastname + QStringLiteral(", ") + sFirstname;
  return sFirstname.isEmpty() ? sLastname : sFirstname;
}

QString clsSystem::MakeFullNameNoComma(const QString& sFirstname, const QString& sLastname) const {
  if (!sFirstname.isEmpty() && !sLastname.isEmpty()) return sFirstname + u' ' + sLastname;
  return sFirstname.isEmpty() ? sLastname : sFirstname;
}

QString clsSystem::GetLocalComputerName() const { return QSysInfo::machineHostName().left(255); }

// ---- Boolean flags --------------------------------------------------------------------------

bool clsSystem::DBTF2TrueFalse(const QVariant& vVal) const {
  return vVal.toString().toUpper() == QLatin1String("T");
}

bool clsSystem::CK2TrueFalse(const QCheckBox& ck) const { return ck.checkState() == Qt::Checked; }
