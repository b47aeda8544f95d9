#include "inventory/TranEntry.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include "database/CustomFieldLabel.h"
#include "database/clsDB.h"
#include "database/store/Codes.h"
#include "inventory/ListMgmt.h"
#include "platform/ui/DialogLook.h"
#include "services/MainWindowHub.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"
#include "services/frmCalendar.h"

namespace inventory {

using store::TranType;

QString TranNoteForStore(const QString& sNote) {
  if (sNote.size() <= kTranNoteMaxChars) return sNote;
  qsizetype n = kTranNoteMaxChars;
  if (sNote.at(n - 1).isHighSurrogate()) --n;
  return sNote.left(n);
}

QString UnitAmountCaption(int32_t udTranType) {
  const bool price = udTranType == store::Code(TranType::kShip) || udTranType == store::Code(TranType::kAllocate);
  return price ? QStringLiteral("Price Per Unit") : QStringLiteral("Cost Per Unit");
}

rt::Currency DefaultUnitAmount(int32_t nProdId, int32_t udTranType, rt::Currency current) {
  switch (static_cast<TranType>(udTranType)) {
    case TranType::kOnOrder:
    case TranType::kReceive:
      return gDB().ProductStdUnitAmt(nProdId, store::Code(store::AmountType::kStdCost));
    case TranType::kShip:
    case TranType::kAllocate:
      return gDB().ProductStdUnitAmt(nProdId, store::Code(store::AmountType::kStdPrice));
    default:
      return current;
  }
}

void LoadTranList(QComboBox& cbo, int32_t nListType, int32_t nSelectID) {
  gDB().LoadListCombo(cbo, static_cast<store::ListType>(nListType), true, true, -1);
  gSystem().cboSelectAtID(cbo, nSelectID);
}

void ReloadTranList(QComboBox& cbo, int32_t nListType) {
  const int32_t id = gSystem().cboGetItemID(cbo);
  LoadTranList(cbo, nListType, id);
  gSystem().CtlSetFocus(&cbo);
}

void RelabelTranFields(QLabel& lblNote, QLabel& lblCat, QLabel& lblAcct) {
  SetCustomFieldLabel(lblNote, store::CustomField::kTranNotes);
  SetCustomFieldLabel(lblCat, store::CustomField::kTranCategory);
  SetCustomFieldLabel(lblAcct, store::CustomField::kTranAccount);
}

void PickDateInto(QLineEdit& txtDate) {
  const QString date = GetShortDateFromPopupCalendar(HubWindow(), txtDate.text());
  if (!date.isEmpty()) txtDate.setText(date);
}

QToolButton* NewCalendarButton(QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QStringLiteral("cmdCalendar"));
  button->setIcon(ui::ProgramIcon(QStringLiteral("x-office-calendar")));
  button->setToolTip(QStringLiteral("View calendar"));
  return button;
}

QToolButton* NewListButton(const QString& name, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(QStringLiteral("..."));
  button->setToolTip(QStringLiteral("Modify list"));
  return button;
}

QLabel* NewLabel(const QString& name, const QString& text, QWidget* buddy, QWidget* parent) {
  QLabel* label = ui::PlainLabel(text, parent);
  label->setObjectName(name);
  if (buddy) label->setBuddy(buddy);
  return label;
}

QLabel* NewHeading(const QString& text, QWidget* parent) {
  QLabel* label = NewLabel(QStringLiteral("lblHeading"), text, nullptr, parent);
  QFont font = label->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.3);
  label->setFont(font);
  return label;
}

QLineEdit* NewLine(const QString& name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  return edit;
}

namespace {

class NameLine : public QLineEdit {
 public:
  explicit NameLine(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    connect(this, &QLineEdit::textChanged, this, [this] { setCursorPosition(0); });
  }

 protected:
  void focusOutEvent(QFocusEvent* event) override {
    QLineEdit::focusOutEvent(event);
    setCursorPosition(0);
  }
};

}  // namespace

QLineEdit* NewNameLine(const QString& name, QWidget* parent) {
  auto* line = new NameLine(parent);
  line->setObjectName(name);
  return line;
}

QComboBox* NewList(const QString& name, int chars, QWidget* parent) {
  auto* cbo = new QComboBox(parent);
  cbo->setObjectName(name);
  if (chars > 0) {
    cbo->setMinimumContentsLength(chars);
    cbo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  }
  return cbo;
}

QPlainTextEdit* NewNote(int height, QWidget* parent) {
  auto* note = new QPlainTextEdit(parent);
  note->setObjectName(QStringLiteral("txtNote"));
  note->setTabChangesFocus(true);
  note->setFixedHeight(height);
  return note;
}

void ConnectTranButtons(QWidget& owner, QToolButton& cmdCalendar, QLineEdit& txtDate, QToolButton& cmdCat,
                        QComboBox& cboCategory, QToolButton& cmdAcct, QComboBox& cboAccount) {
  ConnectClicks(&owner, {{&cmdCalendar, [&txtDate] { PickDateInto(txtDate); }},
                         {&cmdCat,
                          [&cboCategory] {
                            inventory::ListMgmt(inventory::kTransactionCategories, false);
                            ReloadTranList(cboCategory, store::Code(store::ListType::kTranCategory));
                          }},
                         {&cmdAcct, [&cboAccount] {
                            inventory::ListMgmt(inventory::kTransactionAccounts, false);
                            ReloadTranList(cboAccount, store::Code(store::ListType::kTranAccount));
                          }}});
}

NoteKeepsEnter::NoteKeepsEnter(QPlainTextEdit& note, QPushButton& ok) : QObject(&note), ok_(ok) {
  note.installEventFilter(this);
}

bool NoteKeepsEnter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) ok_.setDefault(false);
  if (event->type() == QEvent::FocusOut) ok_.setDefault(true);
  return QObject::eventFilter(watched, event);
}

}  // namespace inventory
