#pragma once
// frmProduct: the modal editor of one product. Init takes the caller's clsProd, which
// the dialog edits in place and saves itself on OK (clsProd::SaveProduct), so the caller
// finds the stored product, with its record id, in the object it passed. A record id
// below 1 is a new product. m_bOK is true only when the product was stored: a save that
// failed keeps the dialog open with the entries, so nothing unsaved is reported as
// saved and the part-number counter never advances for a number nobody stored. A
// stored product that cannot be read is not opened at all (OK on the blank form would
// overwrite the row). The notes box has no limit of its own: memos are read and
// written whole. Go hands the whole trimmed text to the shell seam as one target (an
// address or a file), never split into a program and its arguments.
// User-interface thread only.

#include <QDialog>
#include <array>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class clsProd;
namespace inventory {
struct ListDef;
}
namespace ctl {
class NumericEdit;
}

class frmProduct : public QDialog {
  Q_OBJECT
 public:
  explicit frmProduct(QWidget* parent = nullptr);

  // Keeps the record and fills the controls; an existing product is read again from
  // the database first. False (after the message) when it cannot be read: the dialog
  // must then not be shown, or an OK would overwrite the stored row with blanks.
  bool Init(clsProd& ProdInfo);
  // The entry rules, in order; the first that fails shows its message.
  bool Validate();

  bool m_bOK = false;

  QLabel* lblHeading;
  QTabWidget* tabProduct;
  QLabel* lblPartNumber;
  QLineEdit* txtPN;
  QLineEdit* txtName;
  QLabel* lblLocation;
  QComboBox* cboLocation;
  QPushButton* cmdCatProdLocation;
  QLabel* lblGroup;
  QComboBox* cboGroup;
  QPushButton* cmdCatProdGroup;
  QLabel* lblBI;
  ctl::NumericEdit* fpBI;
  QCheckBox* ckHide;
  QLabel* lblMsg;
  ctl::NumericEdit* fpReorder;
  ctl::NumericEdit* fpReorderQty;
  QLineEdit* txtLeadTime;
  QComboBox* cboManuf;
  QPushButton* cmdCatManuf;
  QComboBox* cboVendor;
  QPushButton* cmdCatVendor;
  ctl::NumericEdit* fpStdCost;
  ctl::NumericEdit* fpStdPrice;
  std::array<QLabel*, 4> lblCust{};
  std::array<QLineEdit*, 4> txtCustom{};
  QPushButton* cmdCustom3;
  QPushButton* cmdSetCustom3;
  QPushButton* cmdCustom4;
  QPushButton* CmdSetCustom4;
  QPlainTextEdit* txtNotes;
  QPushButton* OKButton;
  QPushButton* CancelButton;
  QPushButton* cmdPrint;

 public slots:
  void OKButton_Click();
  void CancelButton_Click();
  void ckHide_Click();
  void cmdPrint_Click();

 private:
  void Form_Load();
  void SetControls();
  void WriteBack();
  void LaunchCustomField(QLineEdit& txt);
  void BrowseCustomField(QLineEdit& txt);
  // Opens the list editor through the main window, then refills the combo keeping
  // its selection.
  void EditList(const inventory::ListDef& list, QComboBox& cbo);
  void FillCombo(QComboBox& cbo, int32_t nListType, int32_t nSelectID);
  void Tab_Click(int index);

  clsProd* m_prod = nullptr;
  bool m_bLoading = false;
};
