#include "inventory/frmEditCategories.h"

#include <QLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <unordered_set>

#include "database/clsDB.h"
#include "inventory/ProductCommands.h"
#include "platform/ui/WaitCursor.h"
#include "platform/controls/ListViewControl.h"
#include "platform/runtime/Error.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/Screen.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

namespace {

// New entries of the whole run are numbered on: "Untitled 1", "Untitled 2", ...
int32_t g_untitled = 0;

int32_t IdOf(const ctl::ListItem& item) { return item.Key().mid(1).toInt(); }

}  // namespace

frmEditCategories::frmEditCategories(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmEditCategories"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowTitle(QStringLiteral("Lookup List"));
  lv = new ctl::ListViewControl(this);
  lv->setObjectName(QStringLiteral("lv"));
  lv->SetView(ctl::lvwReport);
  lv->SetLabelEdit(ctl::lvwAutomatic);
  lv->ColumnHeaders().Add(0, {}, QStringLiteral("Categories"));
  cmdNew = ui::NamedButton(QStringLiteral("&New"), QStringLiteral("cmdNew"), this);
  cmdDelete = ui::NamedButton(QStringLiteral("&Delete SELECTED"), QStringLiteral("cmdDelete"), this);
  cmdDeleteAll = ui::NamedButton(QStringLiteral("Delete ALL"), QStringLiteral("cmdDeleteAll"), this);
  cmdPrint = ui::NamedButton(QStringLiteral("&Print"), QStringLiteral("cmdPrint"), this);
  cmdRefresh = ui::NamedButton(QStringLiteral("R&efresh"), QStringLiteral("cmdRefresh"), this);
  cmdClose = ui::NamedButton(QStringLiteral("Close"), QStringLiteral("cmdClose"), this);

  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(ui::kButtonSpacing);
  for (QPushButton* b : {cmdNew, cmdDelete, cmdDeleteAll, cmdPrint, cmdRefresh}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(cmdClose);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(lv, 1);
  layout->addLayout(buttons);
  resize(460, 360);

  ConnectClicks(this, {{cmdNew, &frmEditCategories::cmdNew_Click},
                       {cmdDelete, &frmEditCategories::cmdDelete_Click},
                       {cmdDeleteAll, &frmEditCategories::cmdDeleteAll_Click},
                       {cmdPrint, &frmEditCategories::cmdPrint_Click},
                       {cmdRefresh, &frmEditCategories::cmdRefresh_Click},
                       {cmdClose, &frmEditCategories::cmdClose_Click}});
  ConnectTrapped(lv, &ctl::ListViewControl::Click, this, &frmEditCategories::SetUI,
                 QStringLiteral("frmEditCategories_SetUI"));
  ConnectTrapped(lv, &ctl::ListViewControl::SelectionChanged, this, &frmEditCategories::SetUI,
                 QStringLiteral("frmEditCategories_SetUI"));
  // An edit that fails keeps the entry's old text.
  lv->SetAfterLabelEdit([this](const QString& typed) {
    std::optional<QString> taken;
    Trapped(QStringLiteral("frmEditCategories_lv_AfterLabelEdit"), [&] { taken = lv_AfterLabelEdit(typed); });
    return taken;
  });
}

void frmEditCategories::Init(const QString& sWinCaption, const QString& lvCaption, store::ListType type,
                             int32_t nHelpContextID) {
  m_sWinCaption = sWinCaption;
  m_type = type;
  if (nHelpContextID > 0) ui::SetHelpContext(*this, nHelpContextID);
  layout()->activate();  // the list's width as laid out
  ctl::ColumnHeader& column = lv->ColumnHeaders().Item(1);
  column.SetText(lvCaption);
  column.SetWidth(std::max(0.0, ui::PixelsToTwipsX(lv->width()) - 400));
  LoadData();
  SetUI();
}

void frmEditCategories::LoadData() {
  gDB().LoadListView(*lv, m_type);
  setWindowTitle(m_sWinCaption + QStringLiteral(" - ") + gSystem().CurrDateTimeShort());
}

bool frmEditCategories::IsItemSelected() const {
  ctl::ListItem* item = nullptr;
  return gSystem().LvGetSelectedItem(item, *lv);
}

void frmEditCategories::SetUI() { cmdDelete->setEnabled(IsItemSelected()); }

int32_t frmEditCategories::AddUpdateItem(int32_t& nID, QString& sDesc) {
  if (sDesc.isEmpty()) return -1;
  try {
    if (nID < 1) return gDB().AddListEntry(sDesc, m_type);
    return gDB().SetListEntryText(nID, sDesc) ? nID : -1;
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("frmEditCategories_AddUpdateItem"));
    return -1;
  }
}

void frmEditCategories::UpdateDesc(int32_t& nID, QString& sDesc) { AddUpdateItem(nID, sDesc); }

bool frmEditCategories::DeleteItem(int32_t nID, const QString& sDesc) {
  try {
    if (gDB().ListEntryInUse(nID, m_type)) {
      ui::MsgBox(QStringLiteral("'") + sDesc + QStringLiteral("' is under use and cannot be deleted!"),
                 ui::vbExclamation);
      return false;
    }
    if (ui::MsgBox(QStringLiteral("Are you sure you want to delete '") + sDesc + QStringLiteral("'?"),
                   ui::vbYesNoCancel | ui::vbQuestion | ui::vbDefaultButton2,
                   QStringLiteral("Delete Confirmation")) != ui::vbYes) {
      return false;
    }
    return gDB().DeleteListEntry(nID);
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("frmEditCategories_DeleteItem"));
    return false;
  }
}

void frmEditCategories::cmdNew_Click() {
  ++g_untitled;
  QString desc = (QStringLiteral("Untitled ") + QString::number(g_untitled)).left(kMaxDesc);
  int32_t id = -1;
  id = AddUpdateItem(id, desc);
  if (id < 1) return;
  ctl::ListItem& item = lv->ListItems().Add(0, QStringLiteral("N%1").arg(id), desc);
  for (int i = 1; i <= lv->ListItems().Count(); ++i) lv->ListItems().Item(i).SetSelected(false);
  item.SetSelected(true);
  item.EnsureVisible();
  SetUI();
  if (lv->isVisible()) {
    lv->setFocus();
    lv->StartLabelEdit();
  }
}

std::optional<QString> frmEditCategories::lv_AfterLabelEdit(const QString& newString) {
  QString text = newString.trimmed();
  ctl::ListItem* item = lv->SelectedItem();
  if (text.isEmpty() || item == nullptr) return std::nullopt;
  text = text.left(kMaxDesc);
  if (!gSystem().StoredTextFits(text, lv->ColumnHeaders().Item(1).Text())) return std::nullopt;
  int32_t id = IdOf(*item);
  UpdateDesc(id, text);
  return text;
}

void frmEditCategories::cmdDelete_Click() {
  ctl::ListItem* item = nullptr;
  if (!gSystem().LvGetSelectedItem(item, *lv)) return;
  if (DeleteItem(IdOf(*item), item->Text())) {
    lv->ListItems().Remove(item->Index());
    SetUI();
  }
}

void frmEditCategories::cmdDeleteAll_Click() {
  if (ui::MsgBox(QStringLiteral("Are you sure you want to delete ALL items in this list?"),
                 ui::vbYesNoCancel | ui::vbQuestion | ui::vbDefaultButton2,
                 QStringLiteral("Delete ALL Confirmation")) != ui::vbYes) {
    return;
  }
  clsSystem& sys = gSystem();
  const ui::ScopedHourglass hourglass;
  try {
    // The referring tables are read once, not once per entry.
    std::unordered_set<int32_t> inUse;
    if (gDB().ListIdsInUse(m_type, inUse)) {
      const int count = lv->ListItems().Count();
      for (int i = 1; i <= count; ++i) {
        const int32_t id = IdOf(lv->ListItems().Item(i));
        if (!inUse.contains(id)) gDB().DeleteListEntry(id);
      }
    }
  } catch (...) {
    rt::TrapError();
    sys.ShowError(QStringLiteral("frmEditCategories_DeleteSingleItem"));
  }
  LoadData();
  SetUI();
}

void frmEditCategories::cmdPrint_Click() { gSystem().ListViewPrint_GetPrinter(*lv, windowTitle()); }

void frmEditCategories::cmdRefresh_Click() {
  LoadData();
  SetUI();
}

void frmEditCategories::cmdClose_Click() { reject(); }
