#pragma once
// frmEditCategories: the modal editor of one pick list of a list table (product groups,
// locations, manufacturers, vendors, transaction categories and accounts). Its caller
// hands it the list's definition: table, columns, list type and up to two tables and
// columns that refer to the entries, searched before a delete. Every New, rename and
// delete is stored at once; there is only Close. User-interface thread only.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <unordered_set>

class QPushButton;
namespace ctl {
class ListViewControl;
}

class frmEditCategories : public QDialog {
  Q_OBJECT
 public:
  // Texts of entries are at most this long.
  static constexpr int kMaxDesc = 40;

  explicit frmEditCategories(QWidget* parent = nullptr);

  void Init(const QString& sWinCaption, const QString& lvCaption, const QString& sTableName,
            const QString& sTablePath, const QString& sRowIDCol, const QString& sStrCol, int32_t nType,
            const QString& sCrossCheckTablePath1 = {}, const QString& sCrossCheckCol1 = {},
            const QString& sCrossCheckTablePath2 = {}, const QString& sCrossCheckCol2 = {},
            int32_t nHelpContextID = 0);
  // Fills the list from the table and puts the time of the load into the caption.
  void LoadData();
  bool IsItemSelected() const;
  // Delete SELECTED follows the selection; the other buttons are always enabled.
  void SetUI();
  // Stores one entry: id below 1 adds it (the new id comes back), else rewrites its
  // text. -1 when nothing was written (an empty text writes nothing).
  int32_t AddUpdateItem(int32_t& nID, QString& sDesc);
  void UpdateDesc(int32_t& nID, QString& sDesc);
  // The single delete: refused for an entry in use, else asked; true when deleted.
  bool DeleteItem(int32_t nID, const QString& sDesc);

  ctl::ListViewControl* lv;
  QPushButton* cmdNew;
  QPushButton* cmdDelete;
  QPushButton* cmdDeleteAll;
  QPushButton* cmdPrint;
  QPushButton* cmdRefresh;
  QPushButton* cmdClose;

 public slots:
  void cmdNew_Click();
  void cmdDelete_Click();
  void cmdDeleteAll_Click();
  void cmdPrint_Click();
  void cmdRefresh_Click();
  void cmdClose_Click();
  void lv_AfterLabelEdit(bool& cancel, QString& newString);

 private:
  // Whether either referring table holds the id (a table that cannot be read counts
  // as holding it).
  bool InUse(int32_t nID) const;
  // The ids the referring tables hold, read once for a Delete ALL; false when one
  // cannot be read.
  bool IdsInUse(std::unordered_set<int32_t>& ids) const;
  bool DeleteRow(int32_t nID) const;

  QString m_sWinCaption;
  QString m_sTableName;
  QString m_sTablePath;
  QString m_sRowIDCol;
  QString m_sStrCol;
  int32_t m_nType = 0;
  QString m_sCrossCheckTablePath[2];
  QString m_sCrossCheckCol[2];
};
