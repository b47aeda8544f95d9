#include "platform/ui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "platform/ui/DialogLook.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Screen.h"

namespace ui {
namespace {

std::optional<QString> RunFileDialog(QFileDialog& dialog, QWidget* owner) {
  if (RunModal(dialog, owner) != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.first().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(files.first());
}

class QtFileDialogs : public FileDialogs {
 public:
  std::optional<QString> GetFileName(const FileDialogRequest& r) override {
    QFileDialog dialog(r.owner, r.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!r.save && (r.flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                : QFileDialog::AnyFile);
    if (r.save && !(r.flags & OFN_OVERWRITEPROMPT)) {
      dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    const QStringList filters = QtNameFilters(r.filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!r.defaultExt.isEmpty()) dialog.setDefaultSuffix(r.defaultExt);
    if (!r.fileName.isEmpty()) {
      const QFileInfo proposed(r.fileName);
      if (r.fileName.contains(QLatin1Char('/'))) dialog.setDirectory(proposed.absolutePath());
      dialog.selectFile(proposed.fileName());
    }
    return RunFileDialog(dialog, r.owner);
  }

  std::optional<QStringList> GetFileNames(const FileDialogRequest& r) override {
    QFileDialog dialog(r.owner, r.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    const QStringList filters = QtNameFilters(r.filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!r.defaultExt.isEmpty()) dialog.setDefaultSuffix(r.defaultExt);
    if (RunModal(dialog, r.owner) != QDialog::Accepted) return std::nullopt;
    QStringList files;
    for (const QString& file : dialog.selectedFiles())
      if (!file.isEmpty()) files.append(QDir::toNativeSeparators(file));
    if (files.isEmpty()) return std::nullopt;
    return files;
  }

  std::optional<QString> GetFolder(const FolderRequest& r) override {
    FolderPicker picker(r);
    if (RunModal(picker, r.owner) != QDialog::Accepted || picker.Folder().isEmpty()) return std::nullopt;
    return picker.Folder();
  }
};

// Room kept free around a dialog for its frame and the screen's edge.
constexpr int kScreenEdgePx = 40;

}  // namespace

FolderPicker::FolderPicker(const FolderRequest& r) : QDialog(r.owner) {
  setObjectName(QStringLiteral("FolderPicker"));
  setWindowTitle(QStringLiteral("Select Folder"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  QLabel* prompt = PlainLabel(r.title, this);
  prompt->setObjectName(QStringLiteral("lblPrompt"));
  prompt->setWordWrap(true);
  files_ = new QFileDialog(this);
  files_->setObjectName(QStringLiteral("files"));
  files_->setWindowFlags(Qt::Widget);
  files_->setSizeGripEnabled(false);
  files_->setOption(QFileDialog::DontUseNativeDialog);
  files_->setViewMode(QFileDialog::List);  // folder names only, nothing cut
  files_->setFileMode(QFileDialog::Directory);
  files_->setOption(QFileDialog::ShowDirsOnly, !r.includeFiles);
  files_->setDirectory(r.startFolder.isEmpty() ? QDir::homePath() : r.startFolder);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt);
  layout->addWidget(files_, 1);
  // The file view's own OK and Cancel end the picker.
  connect(files_, &QDialog::finished, this, &QDialog::done);
  const QSize room(AvailableScreenWidth() - kScreenEdgePx, AvailableScreenHeight() - kScreenEdgePx);
  resize(QSize(640, 440).boundedTo(room));
}

QString FolderPicker::Folder() const {
  if (result() != QDialog::Accepted) return {};
  const QStringList chosen = files_->selectedFiles();
  return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen.first());
}

namespace {

FileDialogs*& Installed() {
  static FileDialogs* dialogs = nullptr;
  return dialogs;
}

// "*.*" matches every file here, also one without an extension.
QString QtPatterns(const QString& classicPatterns) {
  QStringList out;
  for (const QString& p : classicPatterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QString t = p.trimmed();
    if (t.isEmpty()) continue;
    out.append(t == QLatin1String("*.*") ? QStringLiteral("*") : t);
  }
  return out.join(QLatin1Char(' '));
}

}  // namespace

FileDialogs& CurrentFileDialogs() {
  static QtFileDialogs production;
  return Installed() ? *Installed() : production;
}

FileDialogs* SetFileDialogs(FileDialogs* dialogs) {
  FileDialogs* previous = Installed();
  Installed() = dialogs;
  return previous;
}

std::optional<QString> GetFileName(const FileDialogRequest& request) {
  return CurrentFileDialogs().GetFileName(request);
}

std::optional<QString> GetFolder(const FolderRequest& request) {
  return CurrentFileDialogs().GetFolder(request);
}

std::optional<QStringList> FileDialogs::GetFileNames(const FileDialogRequest& request) {
  const std::optional<QString> file = GetFileName(request);
  if (!file) return std::nullopt;
  return QStringList{*file};
}

std::optional<QStringList> GetFileNames(const FileDialogRequest& request) {
  FileDialogRequest open = request;
  open.save = false;
  open.flags |= OFN_ALLOWMULTISELECT;
  return CurrentFileDialogs().GetFileNames(open);
}

QString ProposedFolder(const QString& last) {
  if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QStringList QtNameFilters(const QString& classicFilter) {
  static const QRegularExpression trailingGroup(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
  QStringList filters;
  const QStringList parts = classicFilter.split(QLatin1Char('|'));
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    const QString patterns = QtPatterns(i + 1 < parts.size() ? parts[i + 1] : parts[i]);
    if (description.isEmpty() && patterns.isEmpty()) continue;
    description.remove(trailingGroup);
    if (description.isEmpty()) description = patterns;
    filters.append(QStringLiteral("%1 (%2)").arg(description, patterns));
  }
  return filters;
}

}  // namespace ui
