#pragma once
// UCRptCols: the "Columns" tab of the report definition editor. Two lists: the
// available columns of the report's type in catalogue order (table svlrepcols, tag
// "order", custom captions applied) and the selected columns in display order. Every
// column of the type is in exactly one of them; each row carries the column id. A
// stored id that is not available (another type's, unknown, or listed twice) is
// skipped rather than taken for the first available row.

#include <QStringList>
#include <QWidget>
#include <cstdint>

class QLabel;
class QListWidget;
class QPushButton;

class UCRptCols : public QWidget {
  Q_OBJECT
 public:
  explicit UCRptCols(QWidget* parent = nullptr);

  // Keeps the type (1 inventory, 2 transactions) and loads the available list.
  void Init(int32_t nRptType);
  // False after "At least one column must be selected for display!" when none is.
  bool Validate();
  // Moves the given ids, in order, to the end of the selected list. Ids that are not
  // available (another type's, unknown, or listed before) are skipped.
  void SetValues(const QStringList& collColumns);
  // The ids of the selected list, top to bottom.
  void GetValues(QStringList& collColumns) const;

  QLabel* lblAvailable;
  QListWidget* lstAvailableColumns;
  QLabel* lblSelected;
  QListWidget* lstSelectedColumns;
  QPushButton* cmdAddDisplayCols;
  QPushButton* cmdAddDisplayAllCols;
  QPushButton* cmdDelDispCol;
  QPushButton* cmdAllDelDispCol;
  QPushButton* cmdDispColUp;
  QPushButton* cmdDispColDown;

 public slots:
  void cmdAddDisplayCols_Click();
  void cmdAddDisplayAllCols_Click();
  void cmdDelDispCol_Click();
  void cmdAllDelDispCol_Click();
  void cmdDispColUp_Click();
  void cmdDispColDown_Click();

 private:
  // The columns of the kept type into `list`, in catalogue order; the list is left as
  // it was when the catalogue cannot be opened. Errors: "UCRptCols_LoadAvailableColumns".
  void LoadAvailableColumns(QListWidget& list);
  void AddToSelected(int32_t nColID);
  void RemoveSelectedFromAvailable();
  void MoveSelected(int32_t nStep);

  int32_t m_nRptType = 0;
};
