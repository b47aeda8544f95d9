#include "reports/PaneButtons.h"

#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "platform/ui/Screen.h"

namespace reports {

PaneButtons::PaneButtons(QWidget* parent) : QWidget(parent) {
  setFixedWidth(static_cast<int>(std::lround(ui::TwipsToPixelsX(kPaneButtonsWidth))));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 0, 4, 4);
  layout->addStretch(1);
}

QPushButton* PaneButtons::NewButton(const char* name, const QString& caption) {
  auto* cmd = new QPushButton(caption, this);
  cmd->setObjectName(QLatin1String(name));
  cmd->setAutoDefault(false);
  return cmd;
}

template <class Bar>
QPushButton* PaneButtons::Button(const char* name, const QString& caption, void (Bar::*clicked)()) {
  QPushButton* cmd = NewButton(name, caption);
  connect(cmd, &QPushButton::clicked, this, [this, clicked] {
    emit(static_cast<Bar*>(this)->*clicked)();
    emit ButtonPressed();
  });
  return cmd;
}

QGroupBox* PaneButtons::Frame(const char* name, const QString& caption, std::initializer_list<QPushButton*> buttons) {
  auto* frame = new QGroupBox(caption, this);
  frame->setObjectName(QLatin1String(name));
  auto* column = new QVBoxLayout(frame);
  for (QPushButton* cmd : buttons) column->addWidget(cmd);
  // The frames stand at the top; the stretch made by the constructor stays last.
  auto* layout = static_cast<QVBoxLayout*>(this->layout());
  layout->insertWidget(layout->count() - 1, frame);
  return frame;
}

UCInvButtons::UCInvButtons(QWidget* parent)
    : PaneButtons(parent),
      cmdTranOnOrder(Button("cmdTranOnOrder", QStringLiteral("On Order"), &UCInvButtons::BtnTranOrder)),
      cmdTranReceive(Button("cmdTranReceive", QStringLiteral("Receive"), &UCInvButtons::BtnTranReceive)),
      cmdTranShrinkage(Button("cmdTranShrinkage", QStringLiteral("Shrinkage"), &UCInvButtons::BtnTranShrinkage)),
      cmdTranAllocate(Button("cmdTranAllocate", QStringLiteral("Allocate"), &UCInvButtons::BtnTranAllocate)),
      cmdTranShip(Button("cmdTranShip", QStringLiteral("Ship"), &UCInvButtons::BtnTranShip)),
      cmdProdNew(Button("cmdProdNew", QStringLiteral("New"), &UCInvButtons::BtnProdNew)),
      cmdProdEdit(Button("cmdProdEdit", QStringLiteral("Edit"), &UCInvButtons::BtnProdEdit)),
      cmdProdDelete(Button("cmdProdDelete", QStringLiteral("Delete"), &UCInvButtons::BtnProdDelete)),
      cmdProdSummary(Button("cmdProdSummary", QStringLiteral("Summary"), &UCInvButtons::BtnProdSummary)),
      cmdProdTran(Button("cmdProdTran", QStringLiteral("Transactions"), &UCInvButtons::BtnProdTran)) {
  setObjectName(QStringLiteral("ctlInvButtons"));
  frTran = Frame("frTran", QStringLiteral("Record Transaction"),
                 {cmdTranOnOrder, cmdTranReceive, cmdTranShrinkage, cmdTranAllocate, cmdTranShip});
  frProduct = Frame("frProduct", QStringLiteral("Product"),
                    {cmdProdNew, cmdProdEdit, cmdProdDelete, cmdProdSummary, cmdProdTran});
  cmdProdSummary->setToolTip(QStringLiteral("View details for selected product"));
  cmdProdTran->setToolTip(QStringLiteral("View transactions for selected product"));
}

void UCInvButtons::EnableTranButtons(bool bEnable) {
  for (QPushButton* cmd : {cmdTranOnOrder, cmdTranReceive, cmdTranShrinkage, cmdTranAllocate, cmdTranShip})
    cmd->setEnabled(bEnable);
}

void UCInvButtons::EnableProdButtons(bool bEnable) {
  for (QPushButton* cmd : {cmdProdNew, cmdProdEdit, cmdProdDelete, cmdProdSummary, cmdProdTran})
    cmd->setEnabled(bEnable);
}

UCTranButtons::UCTranButtons(QWidget* parent)
    : PaneButtons(parent),
      cmdTranEdit(Button("cmdTranEdit", QStringLiteral("Edit"), &UCTranButtons::BtnTranEdit)),
      cmdTranDelete(Button("cmdTranDelete", QStringLiteral("Delete"), &UCTranButtons::BtnTranDelete)) {
  setObjectName(QStringLiteral("ctlTranButtons"));
  frProduct = Frame("frProduct", QStringLiteral("Transaction"), {cmdTranEdit, cmdTranDelete});
}

void UCTranButtons::EnableEditBtn(bool bEnable) { cmdTranEdit->setEnabled(bEnable); }

}  // namespace reports
