#pragma once
// frmImportPreview: the "Preview Data" dialog that shows the rows of a CSV file before
// they are imported. clsImportData::PreviewData creates it, calls Init, runs it through
// ui::RunModal and reads bContinue. Continue sets bContinue and closes it; Cancel,
// Escape and the window frame close it with bContinue False. Application-modal, so no
// other command runs while it is open.

#include <QDialog>
#include <QStringList>
#include <cstdint>

class CsvFile;
class QLabel;
class QPushButton;
namespace ctl {
class GridControl;
}
namespace rt {
class Collection;
}

class frmImportPreview : public QDialog {
  Q_OBJECT

 public:
  explicit frmImportPreview(QWidget* parent = nullptr);

  // Fills grd with the file's rows (clsSystem::ImportLoadPreviewGrid); its result.
  bool Init(const CsvFile& file, const rt::Collection& ImportColColl, const QStringList& arDataCols,
            int32_t nNumRows);

  bool bContinue = false;

  QLabel* Label1 = nullptr;
  ctl::GridControl* grd = nullptr;
  QPushButton* cmdContinue = nullptr;
  QPushButton* cmdCancel = nullptr;

 public slots:
  void cmdContinue_Click();
  void cmdCancel_Click();
  void reject() override;
};
