#pragma once
// UCTranSel: the "Criteria" tab of the report definition editor for a transactions
// report: transaction type, product, category, account and date range, each a list whose
// first entry means "all". A loading flag keeps the list handlers quiet while SetValues
// and Reset set the lists.
//
// Dates: the control holds the range as short dates of the user's locale. It reads a
// held text as the user's short date, as ISO "yyyy-mm-dd", as "YYYYMMDD", or as a
// numeric date in day-month-year or month-day-year order; it hands dates back as ISO
// "yyyy-mm-dd", which every locale reads back to the same days
// (clsTranSelCriteria::dbDateBegin). Relative ranges are worked out for today by
// clsSystem::MakeDateRange (the program's clock). The product look-up button runs the
// part-number dialog (inventory::LookupProductByPartNo).

#include <QDate>
#include <QString>
#include <QWidget>
#include <optional>

#include "database/store/Codes.h"

class QComboBox;
class QLabel;
class QToolButton;
class QPushButton;
class clsTranSelCriteria;

namespace reports {
// The date a held range text stands for: the user's short date, ISO, "YYYYMMDD", or a
// numeric date in another locale's order (day-month-year, month-day-year,
// year-month-day; the first that is a real date).
std::optional<QDate> ReadRangeDate(const QString& text);
// The locale-independent form written into a definition: "yyyy-mm-dd".
QString WriteRangeDate(const QDate& date);
}  // namespace reports

class UCTranSel : public QWidget {
  Q_OBJECT
 public:
  explicit UCTranSel(QWidget* parent = nullptr);

  // Captions and the five lists; only category and account show an entry ("All ...").
  // Errors: "UCTranSel_Init".
  void Init();
  bool Validate() const { return true; }
  // Errors: "UCTranSel_SetValues".
  void SetValues(const clsTranSelCriteria& udTranSelCriteria);
  // Errors: "UCTranSel_GetValues".
  void GetValues(clsTranSelCriteria& udTranSelCriteria);
  void SetCboBkgnd();
  // frmDateRange on the held dates; True and the new dates when confirmed.
  bool PromptCustomDateRange();

  QString DateBeginText() const { return m_sDateBegin; }
  QString DateEndText() const { return m_sDateEnd; }

  QComboBox* cboTrans;
  QComboBox* cboProducts;
  QToolButton* cmdLookupProduct;
  QComboBox* cboDateRange;
  QLabel* lblTranCat;
  QComboBox* cboCategory;
  QLabel* lblTranAcct;
  QComboBox* cboAccount;
  QPushButton* cmdReset;

 signals:
  // After each change the user makes to a list, and after Reset.
  void Changed();

 public slots:
  void cboTrans_Click();
  void cboProducts_Click();
  void cboCategory_Click();
  void cboAccount_Click();
  void cboDateRange_Click();
  void cmdLookupProduct_Click();
  void cmdReset_Click();

 private:
  void ListChanged();
  void FillCategoryList(QComboBox& cbo, const QString& sDefault, store::ListType type);

  bool m_bLoading = false;
  QString m_sDateBegin;
  QString m_sDateEnd;
};
