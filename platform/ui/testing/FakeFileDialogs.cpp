#include "platform/ui/testing/FakeFileDialogs.h"

#include <utility>

namespace ui {
namespace test {

FakeFileDialogs& FakeFileDialogs::Choose(const QString& path) {
  answers_.emplace_back(path);
  return *this;
}

FakeFileDialogs& FakeFileDialogs::Cancel() {
  answers_.emplace_back(std::nullopt);
  return *this;
}

std::optional<QString> FakeFileDialogs::Next(const QString& what) {
  if (answers_.empty()) {
    unexpected_.append(QStringLiteral("unscripted %1").arg(what));
    return std::nullopt;
  }
  // Moved out field by field: GCC 12 warns (falsely) on copying an optional<QString>.
  const bool chosen = answers_.front().has_value();
  QString path = chosen ? std::move(*answers_.front()) : QString();
  answers_.pop_front();
  if (!chosen) return std::nullopt;
  return std::optional<QString>(std::move(path));
}

std::optional<QString> FakeFileDialogs::GetFileName(const FileDialogRequest& request) {
  fileRequests_.append(request);
  if (onShown_) onShown_(request);
  return Next(QStringLiteral("file dialog \"%1\"").arg(request.title));
}

FakeFileDialogs& FakeFileDialogs::ChooseFiles(const QStringList& paths) {
  return Choose(paths.join(QLatin1Char('\n')));
}

std::optional<QStringList> FakeFileDialogs::GetFileNames(const FileDialogRequest& request) {
  fileRequests_.append(request);
  if (onShown_) onShown_(request);
  const std::optional<QString> answer = Next(QStringLiteral("file dialog \"%1\"").arg(request.title));
  if (!answer) return std::nullopt;
  return answer->split(QLatin1Char('\n'));
}

std::optional<QString> FakeFileDialogs::GetFolder(const FolderRequest& request) {
  folderRequests_.append(request);
  return Next(QStringLiteral("folder dialog \"%1\"").arg(request.title));
}

}  // namespace test
}  // namespace ui
