#pragma once
// frmSelTransaction: the modal picker of one outstanding transaction (On Order or
// Allocate) of one product or of all products. The caller creates it, calls Init, may
// hide cmdNewTransaction and set the caption, runs it with ui::RunModal and reads the
// results: m_bOK with m_SelectedOperation 1 (m_nSelectedTranID chosen) or 0 (a new
// transaction wanted); m_bOK False is a cancel. It writes and locks nothing.

#include <QDialog>
#include <QString>
#include <cstdint>

class QLabel;
class QPushButton;
namespace ctl {
class GridControl;
}

class frmSelTransaction : public QDialog {
  Q_OBJECT
 public:
  explicit frmSelTransaction(QWidget* parent = nullptr);

  bool m_bOK = false;
  int32_t m_nSelectedTranID = 0;
  int32_t m_SelectedOperation = 0;  // 1 the selected transaction, 0 a new one

  // nProductID below 1: every product's transactions of type udTranType.
  void Init(int32_t nProductID, int32_t udTranType, const QString& sPrompt);
  void SetupGrid();
  void LoadData();
  void LoadDataForAProduct();
  void LoadDataForALLProducts();
  void ShowRowNums();

  QLabel* lblMsg;
  ctl::GridControl* grd;
  QPushButton* cmdEditSelTran;
  QPushButton* cmdNewTransaction;
  QPushButton* cmdCancel;

 public slots:
  void grd_Click();
  void cmdEditSelTran_Click();
  void cmdNewTransaction_Click();
  void cmdCancel_Click();
  void reject() override;

 private:
  // Fills the grid with the rows of the index walk: by product (tag prodid, rows of
  // other types skipped) or by type (tag trantype).
  void Load(bool allProducts);
  void FitColumns();

  int32_t m_nProductID = -1;
  int32_t m_udTranType = 0;
  QString m_sUnitsFormat;
  QString m_sPerUnitFormat;
};
