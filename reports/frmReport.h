#pragma once
// frmReport: a fixed stock report over one grid, one row per visible product with its
// name, part number, location, group, manufacturer, vendor, re-order level and stock
// figures. Three kinds: 2 out of stock, 3 current inventory, 4 re-order. A caller
// creates it, calls Init(kind) and shows it; Close unloads (deletes) it.
//
// The group list above the grid limits the rows to one product group and is
// remembered per user under "RptProdCategory". Columns 3 to 6 show the descriptions of
// the list entries the product refers to. Row data of a data row is the product id.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "database/clsProductStats.h"
#include "database/store/Lists.h"

class QComboBox;
class QLabel;
class QPushButton;
namespace ctl {
class GridControl;
}
namespace store {
struct ProductRecord;
}

class frmReport : public QWidget {
  Q_OBJECT

 public:
  // The report kinds Init accepts.
  static constexpr int32_t kOutOfStock = 2;
  static constexpr int32_t kCurrentInventory = 3;
  static constexpr int32_t kReorder = 4;

  // Columns of the grid; the name and part-number columns swap when the database
  // shows part numbers first.
  enum Column : int32_t {
    kColRowNum = 0,
    kColLocation = 3,
    kColGroup = 4,
    kColManuf = 5,
    kColVendor = 6,
    kColReorderLevel = 7,
    kColPhysical = 8,
    kColAllocated = 9,
    kColAvailable = 10,
    kColOnOrder = 11,
    kNumCols = 12,
  };

  // Row backgrounds (0x00BBGGRR): even and odd data rows.
  static constexpr int32_t kEvenRowColor = 0xC0E0FF;
  static constexpr int32_t kOddRowColor = 0xFFFFFF;

  explicit frmReport(QWidget* parent = nullptr);
  ~frmReport() override;

  void Init(int32_t nKind);
  void LoadData();
  void SetupGrid();
  void SetBackgroundForRows();
  void PrintData();
  void FocusOnGrid();
  void ExportData();
  // The product's name, part number, list entries and re-order level in its row.
  void DisplayProductDetails(int32_t nRow, const store::ProductRecord& prod);
  // The figures in the row of their product (nothing when it has no row).
  void SetProductStats(const clsProductStats& stats);
  // The first row whose row data is the id; -1 when none.
  int32_t GetProdRowNum(int32_t nProdID) const;
  // Reads the descriptions of locations, groups, manufacturers and vendors.
  void LoadQVComboLists();
  // Marks the group list while a single group is chosen.
  void SetCboBkgnd();

  int32_t ProdNameCol() const { return m_nColProdName; }
  int32_t PartNoCol() const { return m_nColPartNo; }

  QWidget* QVFilter = nullptr;
  QLabel* lblGroup = nullptr;
  QComboBox* cboGroup = nullptr;
  ctl::GridControl* grd = nullptr;
  QWidget* BtnBar = nullptr;
  QPushButton* cmdRefresh = nullptr;
  QPushButton* cmdAutosize = nullptr;
  QPushButton* cmdPrint = nullptr;
  QPushButton* cmdExport = nullptr;
  QPushButton* cmdClose = nullptr;

 public slots:
  void cboGroup_Click();
  void cmdRefresh_Click();
  void cmdAutosize_Click();
  void cmdPrint_Click();
  void cmdExport_Click();
  void cmdClose_Click();
  void grd_Click();

 private:
  using ListTexts = std::unordered_map<int32_t, QString>;

  void FillGroupList();
  void LoadRows();
  void RemoveRowsOutsideKind();
  void ShowStats(int32_t nRow, const clsProductStats& stats);
  void AutosizeColumns();
  QString ListText(const ListTexts& texts, int32_t nID) const;
  double CellValue(int32_t nRow, int32_t nCol) const;
  QString Caption() const;

  int32_t m_nKind = kCurrentInventory;
  QString m_sUnitsFormat;
  int32_t m_nColProdName = 1;
  int32_t m_nColPartNo = 2;
  bool m_bLoading = false;
  // Descriptions by entry id: location, group, manufacturer, vendor.
  ListTexts m_locations, m_groups, m_manufs, m_vendors;
  // The groups in list order (for cboGroup).
  std::vector<store::ListRow> m_groupRows;
};
