#pragma once
// The button bars on the right of the report panes: UCInvButtons (transactions and
// product commands of the inventory pane) and UCTranButtons (Edit and Delete of the
// transactions pane). Each is a column of framed buttons of a fixed width; a click
// raises the button's own signal and then ButtonPressed.

#include <QWidget>
#include <cstdint>
#include <initializer_list>

class QGroupBox;
class QPushButton;

namespace reports {

// The bars' width in twips.
inline constexpr int32_t kPaneButtonsWidth = 1900;

class PaneButtons : public QWidget {
  Q_OBJECT

 public:
  explicit PaneButtons(QWidget* parent = nullptr);
  int32_t CtlWidth() const { return kPaneButtonsWidth; }

 signals:
  void ButtonPressed();

 protected:
  // A button named `name` that raises `clicked` and then ButtonPressed.
  template <class Bar>
  QPushButton* Button(const char* name, const QString& caption, void (Bar::*clicked)());
  // A frame with the buttons top to bottom, added below the frames made before.
  QGroupBox* Frame(const char* name, const QString& caption, std::initializer_list<QPushButton*> buttons);

 private:
  QPushButton* NewButton(const char* name, const QString& caption);
};

class UCInvButtons : public PaneButtons {
  Q_OBJECT

 public:
  explicit UCInvButtons(QWidget* parent = nullptr);
  void EnableTranButtons(bool bEnable);
  void EnableProdButtons(bool bEnable);

  QGroupBox* frTran;
  QPushButton* cmdTranOnOrder;
  QPushButton* cmdTranReceive;
  QPushButton* cmdTranShrinkage;
  QPushButton* cmdTranAllocate;
  QPushButton* cmdTranShip;
  QGroupBox* frProduct;
  QPushButton* cmdProdNew;
  QPushButton* cmdProdEdit;
  QPushButton* cmdProdDelete;
  QPushButton* cmdProdSummary;
  QPushButton* cmdProdTran;

 signals:
  void BtnTranOrder();
  void BtnTranReceive();
  void BtnTranShrinkage();
  void BtnTranAllocate();
  void BtnTranShip();
  void BtnProdNew();
  void BtnProdEdit();
  void BtnProdDelete();
  void BtnProdSummary();
  void BtnProdTran();
};

class UCTranButtons : public PaneButtons {
  Q_OBJECT

 public:
  explicit UCTranButtons(QWidget* parent = nullptr);
  void EnableEditBtn(bool bEnable);

  QGroupBox* frProduct;
  QPushButton* cmdTranEdit;
  QPushButton* cmdTranDelete;

 signals:
  void BtnTranEdit();
  void BtnTranDelete();
};

}  // namespace reports
