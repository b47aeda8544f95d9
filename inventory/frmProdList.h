#pragma once
// frmProdList: the product list maintenance window, a child of the main window tagged
// "PRODUCTLIST". Lists every product, hidden ones included, in part-number or name
// order; adds, edits (through the product editor) and deletes products, prints
// the list and saves it as CSV. Every product is read in one pass
// (clsDB::LoadProductGrid). Location and group columns hold ids and show the
// descriptions through id-to-text maps (clsDB::ListComboMap), so descriptions holding
// "|", ";" or "#" show whole. Column widths from the window width are clamped at 0.
// Delete is the command's (inventory::DeleteProduct). Refreshed only by its own
// commands.
// User-interface thread only.

#include <QWidget>
#include <cstdint>

#include "database/store/Lists.h"

class QLabel;
class QPushButton;
class clsProd;
namespace ctl {
class GridControl;
}

class frmProdList : public QWidget {
  Q_OBJECT
 public:
  static constexpr char kTag[] = "PRODUCTLIST";
  // Row banding, 0x00BBGGRR: light yellow on even rows, white on odd ones.
  static constexpr int kBandColor = 0xC0FFFF;
  static constexpr int kPlainColor = 0xFFFFFF;
  // Fixed columns.
  static constexpr int kColLocation = 2;
  static constexpr int kColGroup = 3;
  static constexpr int kColHide = 4;

  explicit frmProdList(QWidget* parent = nullptr);

  // Tag, column order, layout, then the products. Run once, after the window is placed.
  void Form_Load();
  void UpdateRowData(const clsProd& prod, int32_t row);
  void InitCtrl();
  void LoadData();
  void LoadQVComboList();
  void SetBackgroundForRows();
  void FocusOnGrid();
  void DeleteProduct();
  // The column widths from the grid's width (never below 0).
  void Form_Resize();
  // The heading click: the product rows in ascending order of the column (numbers as
  // numbers), banded again.
  void SortByColumn(int32_t col);

  int32_t NameCol() const { return m_nNameCol; }
  int32_t PartNoCol() const { return m_nPartNoCol; }

  ctl::GridControl* grd;
  QWidget* picTB;
  QPushButton* cmdNewProduct;
  QPushButton* cmdEdit;
  QPushButton* cmdDel;
  QPushButton* cmdPrint;
  QPushButton* cmdExport;
  QPushButton* cmdRefresh;
  QPushButton* cmdClose;
  QLabel* lblNumProds;

 public slots:
  void cmdNewProduct_Click();
  void cmdEdit_Click();
  void cmdDel_Click();
  void cmdPrint_Click();
  void cmdExport_Click();
  void cmdRefresh_Click();
  void cmdClose_Click();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void grd_Click();
  void grd_DblClick();
  bool CurrentRowIsProduct() const;
  // Location and group -1 are written as 0 (no entry).
  void WriteRow(int32_t row, const store::ProductGridRow& p);

  int32_t m_nNameCol = 0;
  int32_t m_nPartNoCol = 1;
  int32_t m_nSelProdID = -1000;
};
