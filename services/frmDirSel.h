#pragma once
// frmDirSel: "Directory Selection", a modal dialog with a drive list and a folder list.
// The caller creates it, calls Init, runs it with ui::RunModal and reads m_OK and m_sDir.
// The folder list shows the open folder's ancestors (root first), the open folder and
// its sub-folders; double-clicking an entry opens it.
// It is not in the window registry, so UnloadAll never deletes it under its caller.

#include <QDialog>
#include <QListWidget>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

// The folder list: the entry at `currentRow()` is the highlighted folder.
class DirListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit DirListBox(QWidget* parent = nullptr);
  // Opens `path`; false (list unchanged) when it is not a readable folder.
  bool SetPath(const QString& path);
  const QString& Path() const { return path_; }
  // The folder of entry `index`; the empty text out of range.
  QString List(int index) const;

 private:
  QString path_;
};

class frmDirSel : public QDialog {
  Q_OBJECT
 public:
  explicit frmDirSel(QWidget* parent = nullptr);

  bool m_OK = false;  // True only after OK
  QString m_sDir;     // the chosen folder

  // Selects the drive of `sInitDir` and opens that folder; stops quietly on failure.
  void Init(const QString& sInitDir);

  QComboBox* DriveLB;
  DirListBox* DirSel;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;
  QLabel* lblMsg;

 public slots:
  void DriveLB_Change();
  void cmdOK_Click();
  void cmdCancel_Click();
};
