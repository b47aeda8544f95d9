#pragma once
// Open/Save file dialogs and the folder picker. Callers describe the dialog with the
// classic filter text ("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*") and the classic
// open-file flags; ui::GetFileName / ui::GetFolder forward to the installed FileDialogs:
// production shows a QFileDialog through the modal runner, tests install the scripted
// fake (platform/ui/testing/FakeFileDialogs.h). User-interface thread only.

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QFileDialog;
class QWidget;

namespace ui {

// Open-file flags.
inline constexpr int OFN_OVERWRITEPROMPT = 0x2;
inline constexpr int OFN_ALLOWMULTISELECT = 0x200;
inline constexpr int OFN_HIDEREADONLY = 0x4;
inline constexpr int OFN_PATHMUSTEXIST = 0x800;
inline constexpr int OFN_FILEMUSTEXIST = 0x1000;
inline constexpr int OFN_EXPLORER = 0x80000;
inline constexpr int OFN_LONGNAMES = 0x200000;

struct FileDialogRequest {
  bool save = false;   // Save dialog; else Open
  QString title;       // empty: the dialog's own title
  QString filter;      // classic "description|pattern|..." text
  QString fileName;    // proposed file (path or bare name)
  QString defaultExt;  // appended when the chosen name has no extension ("rtf")
  int flags = 0;       // OFN_* flags
  QWidget* owner = nullptr;
};

struct FolderRequest {
  QString title;        // the prompt shown with the picker
  QString startFolder;  // empty: the user's home folder
  bool includeFiles = false;
  QWidget* owner = nullptr;
};

// The folder picker production shows: the request's title as a prompt above the
// folders (the dialog's own file view), at a size that fits the screen. Run it with
// the modal runner, then read Folder().
class FolderPicker : public QDialog {
 public:
  explicit FolderPicker(const FolderRequest& request);
  // The chosen folder (native separators); empty when none was chosen.
  QString Folder() const;

 private:
  QFileDialog* files_;
};

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The chosen path; nullopt when the user cancelled.
  virtual std::optional<QString> GetFileName(const FileDialogRequest& request) = 0;
  virtual std::optional<QString> GetFolder(const FolderRequest& request) = 0;
  // Several existing files of an open dialog; nullopt when cancelled. By default the
  // one file GetFileName gives.
  virtual std::optional<QStringList> GetFileNames(const FileDialogRequest& request);
};

// The installed implementation (production unless a test installed another).
FileDialogs& CurrentFileDialogs();
// Installs `dialogs` (not owned; nullptr restores production); returns the previous
// one, or nullptr when that was production.
FileDialogs* SetFileDialogs(FileDialogs* dialogs);

std::optional<QString> GetFileName(const FileDialogRequest& request);
std::optional<QString> GetFolder(const FolderRequest& request);
// An open dialog in which several files can be chosen at once.
std::optional<QStringList> GetFileNames(const FileDialogRequest& request);

// The folder a save dialog proposes: `last` (where the user's last file of its kind went)
// while it is a folder, else the user's documents folder, else home; never the working
// folder, which is the database's.
QString ProposedFolder(const QString& last);

// The classic filter text as Qt name filters: "CSV Files (*.csv)|*.csv" gives
// "CSV Files (*.csv)"; a description without the patterns in it gets them appended
// ("Text|*.txt;*.log" gives "Text (*.txt *.log)"); "*.*" becomes "*"; a lone pattern
// ("*.*") is its own description. Empty input gives an empty list.
QStringList QtNameFilters(const QString& classicFilter);

}  // namespace ui
