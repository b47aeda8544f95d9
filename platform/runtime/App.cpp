#include "platform/runtime/App.h"

#include <QCoreApplication>

namespace rt::App {
namespace {
QString& PathOverride() {
  static QString path;
  return path;
}
}  // namespace

QString ProductName() { return QStringLiteral("Stovrel"); }
QString Title() { return ProductName(); }

QString Path() {
  if (!PathOverride().isEmpty()) return PathOverride();
  return QCoreApplication::applicationDirPath();
}

void SetPath(const QString& folder) { PathOverride() = folder; }

}  // namespace rt::App
