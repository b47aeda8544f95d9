#pragma once
// frmDBMaint: the maintenance dialog. Lists the table files of the open database and
// rebuilds the index of the one selected (clsDB::ReIndexFile). While a rebuild runs
// both buttons are disabled, so neither a second rebuild nor closing can start.
// Re-Index acts on the row the user selected, not on the list's current row: a list
// makes its first row current when it takes the focus without selecting it, so Enter
// on Re-Index (the default button) before a pick says "Select a data file to re-index!".

#include <QDialog>
#include <QList>

#include "database/clsDBFile.h"

class QLabel;
class QListWidget;
class QPushButton;

class frmDBMaint : public QDialog {
  Q_OBJECT
 public:
  explicit frmDBMaint(QWidget* parent = nullptr);

  // Fills the list with each record's table file, in order, and keeps the records.
  void Filenames(const QList<clsDBFile>& files);

  QListWidget* lstDataFiles;
  QPushButton* IndexButton;
  QPushButton* CloseButton;
  QLabel* lblWarn;
  QLabel* lblProgress;

 public slots:
  void IndexButton_Click();
  void CloseButton_Click();

 private:
  // The row the user picked; -1 before a pick.
  int SelectedRow() const;
  void ReIndexSelected();
  bool ReIndexFile(const QString& file, bool* refused = nullptr, long* corrected = nullptr);
  void SetBusy(bool busy, const QString& progress);

  QList<clsDBFile> m_files;
};

// clsDBUtil: opens the maintenance dialog.
namespace clsDBUtil {
// The "No Database Open" box when no database is open; else the dialog, modally.
void DlgDBMaintenance(QWidget* owner, const QList<clsDBFile>& files);
}  // namespace clsDBUtil
