#pragma once
// UCInvSel: the "Criteria" tab of the report definition editor for an inventory
// report: product group, location, inventory level, a name or part-number search and
// which products the grid marks. The list handlers also run while SetValues selects
// entries (there is no loading flag): they recolour the lists and set whether the
// "Indicate" frame is available (only for the level "All").

#include <QWidget>
#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class clsInvSelCriteria;

class UCInvSel : public QWidget {
  Q_OBJECT
 public:
  explicit UCInvSel(QWidget* parent = nullptr);

  // Captions from the database's field names; the lists filled, each on its "all" entry.
  void Init();
  bool Validate() const { return true; }
  // An id missing from its list leaves that list as it was.
  void SetValues(const clsInvSelCriteria& udInvSelCriteria);
  // -1 for a list without a selection; the search text exactly as typed.
  void GetValues(clsInvSelCriteria& udInvSelCriteria) const;
  void SetCboBkgnd();

  QLabel* lblProdGroup;
  QComboBox* cboProdGroup;
  QComboBox* cboLocation;
  QComboBox* cboInvSelCriteria;
  QLineEdit* txtSearchStr;
  QPushButton* cmdClear;
  QListWidget* lstSearchType;
  QGroupBox* frmOptInd;
  std::array<QRadioButton*, 3> optIndicate;  // 0 re-order (1), 1 out of stock (2), 2 none (0)
  QPushButton* cmdReset;

 public slots:
  void cboInvSelCriteria_Click();
  void cboProdGroup_Click();
  void cboLocation_Click();
  void cmdClear_Click();
  void cmdReset_Click();
};
