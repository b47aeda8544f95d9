// clsSystem: list-view, combo-box, list-box and window procedures.

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTextEdit>
#include <algorithm>

#include "platform/controls/ListViewControl.h"
#include "platform/runtime/Codepage.h"
#include "platform/runtime/Convert.h"
#include "platform/ui/Colors.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WindowRegistry.h"
#include "services/clsSystem.h"

namespace {

int32_t ItemId(const QVariant& data) { return data.isValid() ? data.toInt() : 0; }

// The first selected item of the list view, nullptr when none.
ctl::ListItem* FirstSelected(const ctl::ListViewControl& lv) {
  const ctl::ListItemCollection& items = lv.ListItems();
  for (int i = 1; i <= items.Count(); ++i) {
    if (items.Item(i).Selected()) return &items.Item(i);
  }
  return nullptr;
}

// Selects and shows the first item that `matches`; false when none does.
template <class Match>
bool SelectFirstMatching(ctl::ListViewControl& lv, Match matches) {
  ctl::ListItemCollection& items = lv.ListItems();
  for (int i = 1; i <= items.Count(); ++i) {
    ctl::ListItem& item = items.Item(i);
    if (matches(item)) {
      item.SetSelected(true);
      item.EnsureVisible();
      return true;
    }
  }
  return false;
}

int RowOfId(const QListWidget& lb, int32_t nID) {
  for (int i = 0; i < lb.count(); ++i) {
    if (ItemId(lb.item(i)->data(Qt::UserRole)) == nID) return i;
  }
  return -1;
}

// Keeps a combo box from taking the user's input while it is locked (the platform's
// Locked property): mouse, wheel and keys other than focus moves are swallowed.
class ComboLock : public QObject {
 public:
  explicit ComboLock(QComboBox* combo) : QObject(combo) { setObjectName(kName); }
  static void Apply(QComboBox& combo, bool locked) {
    auto* lock =
        dynamic_cast<ComboLock*>(combo.findChild<QObject*>(kName, Qt::FindDirectChildrenOnly));
    if (lock == nullptr && locked) lock = new ComboLock(&combo);
    if (lock == nullptr) return;
    if (locked) {
      combo.installEventFilter(lock);
    } else {
      combo.removeEventFilter(lock);
    }
    if (QLineEdit* edit = combo.lineEdit()) edit->setReadOnly(locked);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel: return true;
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        return key != Qt::Key_Tab && key != Qt::Key_Backtab;
      }
      default: return false;
    }
  }

 private:
  static constexpr QLatin1StringView kName{"stovrelComboLock"};
};

void SetBackColor(QWidget& control, bool locked) {
  constexpr uint32_t kLocked = 0xC0FFFF;    // light yellow
  constexpr uint32_t kUnlocked = 0xFFFFFF;  // white
  QPalette palette = control.palette();
  palette.setColor(QPalette::Base, ui::ColorFromBgr(locked ? kLocked : kUnlocked));
  control.setPalette(palette);
}

// The widget that carries a window's state: its MDI sub-window frame, if any.
QWidget* FrameOf(QWidget* window) {
  auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
  return sub != nullptr && sub->widget() == window ? sub : window;
}

// Unloads the listed windows for which `doomed` is true; refusals are ignored.
template <class Pred>
void UnloadWhere(Pred doomed) {
  QList<QPointer<QWidget>> windows;
  for (QWidget* w : ui::LoadedWindows()) windows.append(w);
  for (const QPointer<QWidget>& w : windows) {
    if (!w.isNull() && ui::IsLoaded(w) && doomed(ui::Tag(w))) ui::Unload(w);
  }
}

}  // namespace

bool clsSystem::LvGetSelectedItem(ctl::ListItem*& SelItem, const ctl::ListViewControl& lv) const {
  SelItem = FirstSelected(lv);
  return SelItem != nullptr;
}

bool clsSystem::LvSelectFirstItem(ctl::ListViewControl& lv) {
  if (lv.ListItems().Count() < 1) return false;
  ctl::ListItem& first = lv.ListItems().Item(1);
  first.SetSelected(true);
  first.EnsureVisible();
  return true;
}

QString clsSystem::LvGetSelectedItemText(const ctl::ListViewControl& lv) const {
  const ctl::ListItem* item = FirstSelected(lv);
  return item != nullptr ? item->Text() : QString();
}

int32_t clsSystem::LvNumItemsSelected(const ctl::ListViewControl& lv) const {
  int32_t n = 0;
  for (int i = 1; i <= lv.ListItems().Count(); ++i) n += lv.ListItems().Item(i).Selected() ? 1 : 0;
  return n;
}

QString clsSystem::LvGetSelectedItemKey(const ctl::ListViewControl& lv) const {
  const ctl::ListItem* item = FirstSelected(lv);
  return item != nullptr ? item->Key() : QString();
}

bool clsSystem::LvIsItemSelected(const ctl::ListViewControl& lv) const {
  return FirstSelected(lv) != nullptr;
}

bool clsSystem::LvSelectItem(ctl::ListViewControl& lv, const QString& sKey) {
  if (sKey.isEmpty()) return false;
  return SelectFirstMatching(lv, [&](const ctl::ListItem& item) { return item.Key() == sKey; });
}

bool clsSystem::LvSelectAllItems(ctl::ListViewControl& lv) {
  ctl::ListItemCollection& items = lv.ListItems();
  for (int i = 1; i <= items.Count(); ++i) items.Item(i).SetSelected(true);
  return items.Count() > 0;
}

bool clsSystem::LvInvertSelection(ctl::ListViewControl& lv) {
  ctl::ListItemCollection& items = lv.ListItems();
  for (int i = 1; i <= items.Count(); ++i) items.Item(i).SetSelected(!items.Item(i).Selected());
  return items.Count() > 0;
}

bool clsSystem::LvSelectItemByText(ctl::ListViewControl& lv, const QString& sText) {
  if (sText.isEmpty()) return false;
  const QString wanted = sText.toUpper();
  return SelectFirstMatching(
      lv, [&](const ctl::ListItem& item) { return item.Text().toUpper() == wanted; });
}

void clsSystem::LVSort(ctl::ListViewControl& lv, const ctl::ColumnHeader& ColumnHeader) {
  lv.SetSorted(true);
  lv.SetSortOrder(lv.SortOrder() == ctl::lvwAscending ? ctl::lvwDescending : ctl::lvwAscending);
  lv.SetSortKey(ColumnHeader.Index() - 1);
}

int32_t clsSystem::cboGetItemID(const QComboBox& cbo) const {
  if (cbo.currentIndex() < 0) return -1;
  return ItemId(cbo.itemData(cbo.currentIndex()));
}

int32_t clsSystem::cboGetItemIDOr(const QComboBox& cbo, int32_t stored) const {
  return cbo.currentIndex() < 0 ? stored : cboGetItemID(cbo);
}

void clsSystem::cboSelectAtID(QComboBox& cbo, int32_t nID) {
  for (int i = 0; i < cbo.count(); ++i) {
    if (ItemId(cbo.itemData(i)) == nID) {
      cbo.setCurrentIndex(i);
      return;
    }
  }
}

void clsSystem::cboSelectAtIndex(QComboBox& cbo, int32_t nIndex) {
  if (nIndex >= 0 && nIndex < cbo.count()) cbo.setCurrentIndex(nIndex);
}

void clsSystem::lbSelectAtID(QListWidget& lb, int32_t nID) {
  const int row = RowOfId(lb, nID);
  if (row >= 0) lb.setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

int16_t clsSystem::lbGetPosForID(const QListWidget& lb, int32_t nID) const {
  return static_cast<int16_t>(std::max(RowOfId(lb, nID), 0));
}

int32_t clsSystem::lbGetItemID(const QListWidget& lb) const {
  const int row = lb.currentRow();
  if (row < 0 || !lb.item(row)->isSelected()) return -1;
  return ItemId(lb.item(row)->data(Qt::UserRole));
}

void clsSystem::LB2LBRemoveItems(const QListWidget& lbSrc, QListWidget& lbDest) {
  for (int i = 0; i < lbSrc.count(); ++i) {
    LBRemoveItemWithID(lbDest, ItemId(lbSrc.item(i)->data(Qt::UserRole)));
  }
}

void clsSystem::LBRemoveItemWithID(QListWidget& ListCtl, int32_t nID) {
  const int row = RowOfId(ListCtl, nID);
  if (row >= 0) delete ListCtl.takeItem(row);
}

void clsSystem::LBRemoveCurSelected(QListWidget& lb) {
  const int row = lb.currentRow();
  if (row < 0 || !lb.item(row)->isSelected()) {
    ui::MsgBox(QStringLiteral("Please select a listbox item first!"), ui::vbExclamation);
    return;
  }
  delete lb.takeItem(row);
}

void clsSystem::LBSwapItems(QListWidget& ListCtl, int32_t nListIndex1, int32_t nListIndex2) {
  const int count = ListCtl.count();
  if (nListIndex1 < 0 || nListIndex1 >= count || nListIndex2 < 0 || nListIndex2 >= count) return;
  QListWidgetItem* a = ListCtl.item(nListIndex1);
  QListWidgetItem* b = ListCtl.item(nListIndex2);
  const QString text = a->text();
  const QVariant data = a->data(Qt::UserRole);
  a->setText(b->text());
  a->setData(Qt::UserRole, b->data(Qt::UserRole));
  b->setText(text);
  b->setData(Qt::UserRole, data);
  ListCtl.setCurrentRow(nListIndex2, QItemSelectionModel::ClearAndSelect);
}

bool clsSystem::IsFormLoaded(const QString& TagVal) const {
  for (QWidget* w : ui::LoadedWindows()) {
    if (ui::Tag(w) == TagVal) return true;
  }
  return false;
}

void clsSystem::BringFormToTop(const QString& sFormTag, int32_t WindowState) {
  QWidget* window = nullptr;
  if (!GetFormWithTag(sFormTag, window)) return;
  QWidget* frame = FrameOf(window);
  const Qt::WindowStates state = WindowState == 1   ? Qt::WindowMinimized
                                 : WindowState == 2 ? Qt::WindowMaximized
                                                    : Qt::WindowNoState;
  // Set only when it changes: a child window set "normal" again while it is normal and
  // active would be laid out anew at its smallest size.
  if ((frame->windowState() & ~Qt::WindowActive) != state) frame->setWindowState(state);
  if (auto* sub = qobject_cast<QMdiSubWindow*>(frame); sub != nullptr && sub->mdiArea()) {
    sub->mdiArea()->setActiveSubWindow(sub);
  }
  frame->raise();
}

bool clsSystem::GetFormWithTag(const QString& sTag, QWidget*& frm) const {
  for (QWidget* w : ui::LoadedWindows()) {
    if (ui::Tag(w) == sTag) {
      frm = w;
      return true;
    }
  }
  return false;
}

void clsSystem::LockControls(QWidget& frm, bool bLock, const QString& TagVal) {
  for (QWidget* control : frm.findChildren<QWidget*>()) {
    if (ui::Tag(control) != TagVal) continue;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      SetBackColor(*edit, bLock);
      edit->setReadOnly(bLock);
    } else if (auto* text = qobject_cast<QTextEdit*>(control)) {
      SetBackColor(*text, bLock);
      text->setReadOnly(bLock);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
      SetBackColor(*plain, bLock);
      plain->setReadOnly(bLock);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
      SetBackColor(*combo, bLock);
      ComboLock::Apply(*combo, bLock);
    } else if (qobject_cast<QListView*>(control) || qobject_cast<QAbstractSpinBox*>(control)) {
      // List boxes and the numeric edits: coloured and disabled.
      SetBackColor(*control, bLock);
      control->setEnabled(!bLock);
    } else {
      control->setEnabled(!bLock);
    }
  }
}

void clsSystem::TxtCtlInsertStr(QWidget& txt, const QString& sText) {
  if (auto* edit = qobject_cast<QLineEdit*>(&txt)) {
    edit->insert(sText);
  } else if (auto* text = qobject_cast<QTextEdit*>(&txt)) {
    text->textCursor().insertText(sText);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(&txt)) {
    plain->textCursor().insertText(sText);
  } else if (auto* combo = qobject_cast<QComboBox*>(&txt); combo && combo->lineEdit()) {
    combo->lineEdit()->insert(sText);
  }
}

void clsSystem::CtlSetFocus(QWidget* ctl) {
  if (ctl == nullptr || !ctl->isVisible()) return;
  ctl->setFocus();
  // A text field is entered selected, so that what the user types replaces it.
  if (auto* line = qobject_cast<QLineEdit*>(ctl)) {
    line->selectAll();
  } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(ctl)) {
    spin->selectAll();
  } else if (auto* combo = qobject_cast<QComboBox*>(ctl); combo != nullptr && combo->lineEdit() != nullptr) {
    combo->lineEdit()->selectAll();
  }
}

namespace {

QString TypedText(const QWidget& field) {
  if (const auto* line = qobject_cast<const QLineEdit*>(&field)) return line->text();
  if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&field)) return plain->toPlainText();
  if (const auto* rich = qobject_cast<const QTextEdit*>(&field)) return rich->toPlainText();
  if (const auto* combo = qobject_cast<const QComboBox*>(&field); combo && combo->isEditable()) {
    return combo->currentText();
  }
  return {};
}

// The caption of the label that names the field, without its accelerator and colon;
// else the field's accessible name.
QString FieldCaption(const QWidget& field) {
  const QWidget* window = field.window();
  for (const QLabel* label : window->findChildren<QLabel*>()) {
    if (label->buddy() != &field) continue;
    QString caption = label->text();
    caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    caption = caption.trimmed();
    if (caption.endsWith(u':')) caption.chop(1);
    return caption;
  }
  return field.accessibleName();
}

// Makes every tab page that holds the field the current one.
void BringForward(QWidget& field) {
  for (QWidget* w = field.parentWidget(); w != nullptr; w = w->parentWidget()) {
    auto* tabs = qobject_cast<QTabWidget*>(w);
    if (tabs == nullptr) continue;
    for (int i = 0; i < tabs->count(); ++i) {
      if (tabs->widget(i)->isAncestorOf(&field)) tabs->setCurrentIndex(i);
    }
  }
}

bool Shown(const QString& message) {
  if (message.isEmpty()) return true;
  ui::MsgBox(message, ui::vbExclamation);
  return false;
}

}  // namespace

QString clsSystem::UnstorableText(std::initializer_list<QWidget*> fields) {
  for (QWidget* field : fields) {
    if (field == nullptr) continue;
    QString message = UnstorableText(TypedText(*field), FieldCaption(*field));
    if (message.isEmpty()) continue;
    BringForward(*field);
    CtlSetFocus(field);
    return message;
  }
  return {};
}

bool clsSystem::StoredTextFits(std::initializer_list<QWidget*> fields) { return Shown(UnstorableText(fields)); }

QString clsSystem::UnstorableText(const QString& sText, const QString& sFieldName) const {
  const QString ch = rt::FirstNonCp1252(sText);
  if (ch.isEmpty()) return {};
  return QStringLiteral("The character \"") + ch + QStringLiteral("\" in ") + sFieldName +
         QStringLiteral(" cannot be stored. Please remove or replace it.");
}

bool clsSystem::StoredTextFits(const QString& sText, const QString& sFieldName) {
  return Shown(UnstorableText(sText, sFieldName));
}

void clsSystem::UnloadAll(const QString& sExceptTag) {
  UnloadWhere([&](const QString& tag) { return tag != sExceptTag; });
}

void clsSystem::UnloadForm(const QString& sFormTag) {
  UnloadWhere([&](const QString& tag) { return tag == sFormTag; });
}

QString clsSystem::PromptInputString(const QString& sTitle, const QString& sPrompt,
                                     const QString& sDefault, bool bNumericOnly) {
  for (;;) {
    QString answer = ui::InputBox(sPrompt, sTitle, sDefault);
    while (answer.startsWith(QLatin1Char(' '))) answer.remove(0, 1);
    while (answer.endsWith(QLatin1Char(' '))) answer.chop(1);
    if (answer.isEmpty() || !bNumericOnly || rt::IsNumeric(answer)) return answer;
    ui::MsgBox(QStringLiteral("Please enter a numeric value!"), ui::vbExclamation);
  }
}
