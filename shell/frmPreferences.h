#pragma once
// frmPreferences: the settings of the open database, kept in its parameter table so
// every user of the database sees the same: display names of ten fields, decimal
// places of units, per-unit amounts and amounts, part number first, automatic part
// numbers with the next number to hand out, and the stock check before shipping.
//
// The caller creates it (which loads the settings and sets Updated), picks the tab on
// TabCtl, runs it with ui::RunModal and reads Updated. OK stores everything and
// closes, Apply stores everything, Cancel closes; nothing stored by an Apply is undone.
// The next part number is stored only when the user changed it, so a counter another
// copy has advanced meanwhile is never set back. The names grid is fixed at the size
// that shows both 2300-twip columns and all 14 rows.

#include <QDialog>
#include <array>
#include <cstdint>

#include "database/store/Codes.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
namespace ctl {
class GridControl;
class NumericEdit;
}  // namespace ctl

class frmPreferences : public QDialog {
  Q_OBJECT
 public:
  explicit frmPreferences(QWidget* parent = nullptr);

  QTabWidget* TabCtl;
  // True from loading on, and again after OK and Apply: the caller relabels its menus.
  bool Updated = false;

  // Fills every control from the database.
  void LoadData();
  // Option captions, switches and the next part number; sets up the grid's columns.
  void InitControls();
  // Stores every setting (the next part number only when it was changed).
  void SaveData();

  // Tab 0: field names.
  ctl::GridControl* grdCustom;
  QPushButton* cmdResetNames;
  QLabel* lblMsg;
  // Tab 1: products.
  QGroupBox* Frame1;
  QLabel* Label4;
  ctl::NumericEdit* fpUnitDec;
  QLabel* Label1;
  ctl::NumericEdit* fpPerUnitDec;
  QLabel* Label2;
  ctl::NumericEdit* fpAmtDec;
  QGroupBox* Frame2;
  std::array<QRadioButton*, 2> optProductDisplay;
  QCheckBox* ckAutoAssignPN;
  QLabel* LabelNextPartNumber;
  ctl::NumericEdit* fpNextPartNumber;
  QPushButton* cmdResetDataFormat;
  // Tab 2: transactions.
  QCheckBox* ckCheckInventoryLevel;

  QPushButton* OKButton;
  QPushButton* CancelButton;
  QPushButton* cmdApply;

 public slots:
  void OKButton_Click();
  void cmdApply_Click();
  void CancelButton_Click();
  void cmdResetDataFormat_Click();
  void cmdResetNames_Click();

 private:
  void EnableNextPartNumber();
  void grdCustom_BeforeEdit(int row, int col, bool* cancel);
  bool HasKey(int row) const;
  // The field whose display name the row holds (only where HasKey).
  store::CustomField FieldOf(int row) const;
  // False (the message shown, the cell selected) when a custom name holds a character
  // the tables cannot store.
  bool CustomNamesFit();

  // The next part number as loaded or last stored: what "unchanged" is measured against.
  int32_t m_nNextPartNumberShown = 0;
};
