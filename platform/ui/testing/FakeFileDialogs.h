#pragma once
// A scripted fake of the file dialogs, for tests.

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

#include "platform/ui/FileDialogs.h"
#include "platform/ui/testing/TestPrompts.h"

namespace ui::test {

// Answers file and folder dialogs from a queue and records each request. A dialog with
// no scripted answer counts as cancelled and is listed in Unexpected().
class FakeFileDialogs : public FileDialogs {
 public:
  FakeFileDialogs& Choose(const QString& path);  // next dialog returns `path`
  FakeFileDialogs& Cancel();                     // next dialog is cancelled
  FakeFileDialogs& ChooseFiles(const QStringList& paths);  // next dialog returns them all
  // Runs as each file dialog shows, before it is answered (what the code holds meanwhile).
  void SetOnShown(std::function<void(const FileDialogRequest&)> handler) { onShown_ = std::move(handler); }

  const QList<FileDialogRequest>& FileRequests() const { return fileRequests_; }
  const QList<FolderRequest>& FolderRequests() const { return folderRequests_; }
  const QStringList& Unexpected() const { return unexpected_; }
  int Pending() const { return static_cast<int>(answers_.size()); }

  std::optional<QString> GetFileName(const FileDialogRequest& request) override;
  std::optional<QString> GetFolder(const FolderRequest& request) override;
  std::optional<QStringList> GetFileNames(const FileDialogRequest& request) override;

 private:
  std::optional<QString> Next(const QString& what);

  std::deque<std::optional<QString>> answers_;
  QList<FileDialogRequest> fileRequests_;
  QList<FolderRequest> folderRequests_;
  QStringList unexpected_;
  std::function<void(const FileDialogRequest&)> onShown_;
};

using ScopedFakeFileDialogs = ScopedFake<FakeFileDialogs, FileDialogs, &SetFileDialogs>;

}  // namespace ui::test
