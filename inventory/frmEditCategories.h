#pragma once
// frmEditCategories: the modal editor of one pick list (product groups, locations,
// manufacturers, vendors, transaction categories and accounts), given by its list type;
// an entry the products or transactions refer to is not deleted. Every New, rename and
// delete is stored at once; there is only Close. Delete ALL reads the ids the referring
// table holds once (clsDB::ListIdsInUse) instead of searching per entry; a table that
// cannot be read deletes nothing. A rename goes through clsDB::SetListEntryText.
// User-interface thread only.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <optional>

#include "database/store/Codes.h"

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

  void Init(const QString& sWinCaption, const QString& lvCaption, store::ListType type, int32_t nHelpContextID = 0);
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

  // The list's hook for an edited entry: stores the text trimmed and cut to fit, and
  // gives it; nothing (the old text stays) when it is empty or cannot be stored.
  std::optional<QString> lv_AfterLabelEdit(const QString& newString);

 private:
  QString m_sWinCaption;
  store::ListType m_type = store::ListType::kProductGroup;
};
