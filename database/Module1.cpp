#include "database/Module1.h"

#include <string>

#include "database/store/Fields.h"
#include "platform/runtime/Codepage.h"
#include "platform/xbase/Engine.h"

namespace Module1 {

QString FieldText(FIELD4* field) { return store::Text(field); }

QString MemoText(FIELD4* field) { return store::Memo(field); }

int FieldAssignText(FIELD4* field, const QString& text) { return store::AssignText(field, text); }

QString FieldNameText(FIELD4* field) { return TextFromAddress(f4name(field)); }

QString TextFromAddress(const char* address) {
  if (address == nullptr) return {};
  char buffer[256];
  const int n = u4ncpy(buffer, address, sizeof buffer);
  return rt::FromCp1252(std::string_view(buffer, static_cast<size_t>(n)));
}

void DateFormatText(const QString& dateText, QString& result, const QString& picture) {
  const std::string pic = rt::ToCp1252(picture);
  const std::string date = rt::ToCp1252(dateText);
  std::string out(pic.size() + 1, ' ');
  date4format(date.c_str(), out.data(), pic.c_str());
  result = rt::FromCp1252(std::string_view(out.data(), pic.size()));
}

}  // namespace Module1
