#include "services/mdlRegistry.h"

#include <algorithm>
#include <limits>
#include <string>

#include "platform/runtime/Codepage.h"
#include "platform/runtime/Convert.h"

namespace mdlRegistry {

namespace {

// Read access plus every value and sub-key right.
constexpr REGSAM kReadAccess = 0x2003F;
// The value may grow between asking its size and reading it; ask again a few times.
constexpr int kReadAttempts = 3;

QString DwordText(const std::string& data) {
  std::uint32_t n = 0;
  for (size_t i = std::min<size_t>(data.size(), 4); i-- > 0;)
    n = (n << 8) | static_cast<unsigned char>(data[i]);
  return QStringLiteral("&h") + QStringLiteral("%1").arg(n, 8, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

bool RegSaveString(const QString& keyPath, const QString& data, const QString& valueName) {
  HKEY key{};
  if (RegCreateKeyA(HKEY_CURRENT_USER, rt::ToCp1252(keyPath).c_str(), &key) != ERROR_SUCCESS)
    return false;
  const std::string bytes = rt::ToCp1252(data);
  const auto size = static_cast<DWORD>(bytes.size());
  const LONG rc =
      valueName.isEmpty()
          ? RegSetValueA(key, "", REG_SZ, bytes.c_str(), size)
          : RegSetValueExA(key, rt::ToCp1252(valueName).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(bytes.data()), size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool RegGetString(HKEY hive, const QString& keyPath, const QString& valueName, QString& value) {
  HKEY key{};
  if (RegOpenKeyExA(hive, rt::ToCp1252(keyPath).c_str(), 0, kReadAccess, &key) != ERROR_SUCCESS) {
    value.clear();
    return false;
  }
  const std::string name = rt::ToCp1252(valueName);
  DWORD type = REG_NONE;
  std::string data;
  LONG rc = ERROR_MORE_DATA;
  for (int attempt = 0; attempt < kReadAttempts && rc == ERROR_MORE_DATA; ++attempt) {
    DWORD size = 0;
    rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) break;
    data.assign(size, '\0');
    rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                          &size);
    if (rc == ERROR_SUCCESS) data.resize(size);
  }
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) {
    value.clear();
    return false;
  }

  if (type == REG_SZ) {
    // With a terminating NUL the text ends at the first NUL; without one it is all bytes.
    if (!data.empty() && data.back() == '\0') data.resize(data.find('\0'));
    value = rt::FromCp1252(data);
  } else if (type == REG_DWORD) {
    value = DwordText(data);
  }
  return true;
}

void PrefSaveLong(const QString& valueName, int32_t value) {
  RegSaveString(QString::fromLatin1(kPrefKey), QString::number(value), valueName);
}

void PrefSaveString(const QString& valueName, const QString& value) {
  RegSaveString(QString::fromLatin1(kPrefKey), value, valueName);
}

int32_t PrefGetLong(const QString& valueName) {
  const auto number = rt::ParseStored(PrefGetString(valueName));
  if (!number) return 0;
  const double rounded = rt::RoundHalfEven(*number);
  if (!(rounded >= std::numeric_limits<int32_t>::min() &&
        rounded <= std::numeric_limits<int32_t>::max()))
    return 0;
  return static_cast<int32_t>(rounded);
}

QString PrefGetString(const QString& valueName) {
  QString value;
  RegGetString(HKEY_CURRENT_USER, QString::fromLatin1(kPrefKey), valueName, value);
  return value;
}

QString StrPadToLength(const QString& text, int16_t length, const QString& fill, int32_t side) {
  const qsizetype target = std::max<qsizetype>(length, 0);
  if (text.size() >= target) return text.left(target);
  if (fill.isEmpty()) return text;
  const QString padding(target - text.size(), fill.front());
  return side == 2 ? text + padding : padding + text;
}

QString StrUpToChar(const QString& text, QString& stopChar) {
  stopChar.truncate(1);
  if (stopChar.isEmpty()) return text;
  const qsizetype at = text.indexOf(stopChar.front());
  return at < 0 ? text : text.left(at);
}

}  // namespace mdlRegistry
