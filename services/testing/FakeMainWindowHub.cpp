#include "services/testing/FakeMainWindowHub.h"

#include <QWidget>

namespace {
QString N(int32_t n) { return QString::number(n); }
}  // namespace

void FakeMainWindowHub::Record(const char* name, const QStringList& args) {
  calls << QStringLiteral("%1(%2)").arg(QLatin1String(name), args.join(QStringLiteral(", ")));
}

int32_t FakeMainWindowHub::ClientAreaWidth() {
  Record("ClientAreaWidth");
  return clientWidth;
}
int32_t FakeMainWindowHub::ClientAreaHeight() {
  Record("ClientAreaHeight");
  return clientHeight;
}
void FakeMainWindowHub::ShowChild(QWidget& child) {
  Record("ShowChild", {child.objectName()});
  child.setAttribute(Qt::WA_DeleteOnClose);
  child.show();
}
void FakeMainWindowHub::ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr,
                                             const QString& sSearchCaption) {
  Record("ShowFoundProductsRpt", {N(eSearchType), sSearchStr, sSearchCaption});
}
