#include "database/store/Seek.h"

#include "platform/runtime/Codepage.h"
#include "platform/runtime/Error.h"
#include "platform/xbase/Bytes.h"
#include "platform/xbase/Engine.h"

namespace store {

QString Upper(const QString& text) {
  std::string bytes = rt::ToCp1252(text);
  for (char& c : bytes) c = xb::Upper1252(c);
  return rt::FromCp1252(bytes);
}

std::string WholeKey(const QString& key, bool upper) {
  const QString k = key.trimmed();
  if (k.isEmpty()) return {};
  std::string bytes = rt::ToCp1252(upper ? Upper(k) : k);
  // Keys are at most 240 bytes; the engine cuts a longer seek text to the key length.
  constexpr size_t kBeyondAnyKey = 256;
  if (bytes.size() < kBeyondAnyKey) bytes.resize(kBeyondAnyKey, ' ');
  return bytes;
}

void SelectTag(const Session& s, DATA4* tb, const char* name) {
  TAG4* tag = d4tag(tb, name);
  if (tag == nullptr) {
    throw rt::VbError(e4tagName, QStringLiteral("d4tag"),
                      EngineCodeText(e4tagName) + QStringLiteral(": ") + rt::FromCp1252(name));
  }
  s.Check(d4tagSelect(tb, tag), "d4tagSelect");
}

int SeekWhole(const Session& s, DATA4* tb, const std::string& wholeKey) {
  if (wholeKey.empty()) return r4eof;
  return s.Check(d4seek(tb, wholeKey.c_str()), "d4seek");
}

int SeekNumber(const Session& s, DATA4* tb, double value) { return s.Check(d4seekDouble(tb, value), "d4seekDouble"); }

}  // namespace store
