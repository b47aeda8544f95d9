#include "database/DbAccess.h"

#include <QVariant>
#include <limits>

#include "database/clsDB.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "platform/xbase/Bytes.h"
#include "platform/xbase/Engine.h"
#include "services/clsSystem.h"

namespace dbaccess {

ScopedTable::ScopedTable(DATA4*& handle, const QString& path) : handle_(handle) {
  if (handle_ == nullptr) {
    handle_ = gDB().OpenTable(path);
    owned_ = handle_ != nullptr;
  }
}

ScopedTable::~ScopedTable() { Close(); }

void ScopedTable::Close() {
  if (!owned_) return;
  gDB().SetLastEngineResult(d4close(handle_));
  handle_ = nullptr;
  owned_ = false;
}

int Check(int rc, const char* call) { return store::Check(gDB().EngineState(), rc, call); }

void SelectTag(DATA4* tb, const QString& name) {
  TAG4* tag = d4tag(tb, rt::ToCp1252(name).c_str());
  if (tag == nullptr) {
    throw rt::VbError(e4tagName, QStringLiteral("d4tag"), EngineCodeText(e4tagName) + QStringLiteral(": ") + name);
  }
  Check(d4tagSelect(tb, tag), "d4tagSelect");
}

FIELD4* Field(DATA4* tb, const QString& name) {
  FIELD4* f = d4field(tb, rt::ToCp1252(name).c_str());
  if (f == nullptr) {
    throw rt::VbError(e4fieldName, QStringLiteral("d4field"),
                      EngineCodeText(e4fieldName) + QStringLiteral(": ") + name);
  }
  return f;
}

int32_t Long32(FIELD4* f) {
  const long v = f4long(f);
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    rt::Raise(rt::kErrOverflow);
  }
  return static_cast<int32_t>(v);
}

int LockCurrent(DATA4* tb) { return store::LockCurrent(gDB().Session(), tb); }

bool ChangeLocked(DATA4* tb, const QString& lockedMessage, const std::function<void()>& change) {
  if (LockCurrent(tb) == r4locked) {
    ui::MsgBox(lockedMessage, ui::vbCritical);
    return false;
  }
  change();
  if (FlushUnlock(tb) == r4locked) {
    ui::MsgBox(lockedMessage, ui::vbCritical);
    return false;
  }
  return true;
}

int FlushUnlock(DATA4* tb) { return store::FlushUnlock(gDB().Session(), tb); }

void ReportTrapped(const char* label) {
  rt::TrapError();
  gSystem().ShowError(QLatin1String(label));
}

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

int Seek(DATA4* tb, const std::string& wholeKey) {
  if (wholeKey.empty()) return r4eof;
  return Check(d4seek(tb, wholeKey.c_str()), "d4seek");
}

int SeekNext(DATA4* tb, const std::string& wholeKey) {
  if (wholeKey.empty()) return r4eof;
  return Check(d4seekNext(tb, wholeKey.c_str()), "d4seekNext");
}

int SeekNumber(DATA4* tb, double value) { return Check(d4seekDouble(tb, value), "d4seekDouble"); }

std::optional<double> NumericKey(const QVariant& key) {
  switch (key.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::Double:
    case QMetaType::Float: return key.toDouble();
    default: break;
  }
  return rt::ParseNumeric(key.toString());
}

WaitCursor::WaitCursor() { gSystem().WaitStart(); }
WaitCursor::~WaitCursor() { gSystem().WaitEnd(); }

QString FileIn(const QString& folder, const QString& file) {
  const QString path = gSystem().MakePath(folder, file);
  const QString found = gSystem().ResolvePathCase(path);
  return found.isEmpty() ? path : found;
}

}  // namespace dbaccess
