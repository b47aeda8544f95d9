#include "proppages/TabsPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "platform/ui/ButtonRow.h"
#include "proppages/PageStrings.h"

namespace qvp {

namespace {

constexpr DWORD kDefaultHelp = 800;
constexpr int kBothEnabled = 0;
constexpr int kLeftDisabled = 1;
constexpr int kRightDisabled = 2;
constexpr int kBothDisabled = 3;

}  // namespace

HRESULT CQVTabsPropPage::Help(LPCOLESTR) {
  const MemberRow* row = list_ ? list_->CurrentRow() : nullptr;
  return ShowPageHelp(row ? row->helpContext : kDefaultHelp);
}

void CQVTabsPropPage::BuildDialog(QWidget* dialog) {
  combo_ = new QComboBox(dialog);
  combo_->setObjectName(QStringLiteral("2200"));
  auto* arrows = new QWidget(dialog);
  arrows->setObjectName(QStringLiteral("1044"));
  left_ = new QToolButton(arrows);
  left_->setObjectName(QStringLiteral("SB_LINELEFT"));
  left_->setArrowType(Qt::LeftArrow);
  right_ = new QToolButton(arrows);
  right_->setObjectName(QStringLiteral("SB_LINERIGHT"));
  right_->setArrowType(Qt::RightArrow);
  auto* arrowRow = new QHBoxLayout(arrows);
  arrowRow->setContentsMargins(0, 0, 0, 0);
  arrowRow->setSpacing(0);
  arrowRow->addWidget(left_);
  arrowRow->addWidget(right_);
  add_ = ui::NamedButton(QStringLiteral("A&dd Tab"), QStringLiteral("2202"), dialog);
  remove_ = ui::NamedButton(QStringLiteral("&Remove Tab"), QStringLiteral("2203"), dialog);
  list_ = new MemberList("2201", dialog);
  auto* note = new QLabel(PageText(2202), dialog);
  note->setObjectName(QStringLiteral("1045"));
  note->setWordWrap(true);

  auto* top = new QHBoxLayout;
  top->addWidget(combo_, 1);
  top->addWidget(arrows);
  top->addWidget(add_);
  top->addWidget(remove_);
  auto* layout = new QVBoxLayout(dialog);
  layout->addLayout(top);
  layout->addWidget(list_, 1);
  layout->addWidget(note);

  WatchPaint(dialog, [this] { OnPaint(); });
  QObject::connect(combo_, &QComboBox::activated, dialog, [this](int) {
    ApplyPending();
    ShowSelected();
    SetControlTab();
    UpdateArrows();
  });
  QObject::connect(left_, &QToolButton::clicked, dialog, [this] { Step(-1); });
  QObject::connect(right_, &QToolButton::clicked, dialog, [this] { Step(1); });
  QObject::connect(add_, &QPushButton::clicked, dialog, [this] { AddTab(); });
  QObject::connect(remove_, &QPushButton::clicked, dialog, [this] { RemoveTab(); });
  list_->onEdited = [this](MemberRow&) { MakeDirty(); };
  combo_->setFocus();
}

void CQVTabsPropPage::DialogGone() {
  rows_.clear();
  members_.clear();
  tabs_ = {};
  combo_ = nullptr;
  list_ = nullptr;
}

void CQVTabsPropPage::SetControlsEnabled(bool enabled) {
  if (!combo_) return;
  for (QWidget* w : std::initializer_list<QWidget*>{combo_, add_, remove_, list_}) w->setEnabled(enabled);
  if (!enabled) {
    left_->setEnabled(false);
    right_->setEnabled(false);
    arrows_ = kBothDisabled;
  }
}

void CQVTabsPropPage::ForgetObject() {
  if (list_) list_->Show(nullptr);
  rows_.clear();
  members_.clear();
  tabs_ = {};
  currentTab_ = {};
}

void CQVTabsPropPage::LoadObject() {
  currentTab_ = com::QueryAs<ctl::IListBarCurrentTab>(firstObject_.get(), ctl::IID_IListBarCurrentTab);
  Rebuild();
  UpdateArrows();
}

void CQVTabsPropPage::FillCombo() {
  const int previous = combo_->currentIndex();
  combo_->clear();
  for (const auto& member : members_)
    if (auto entry = ComboEntry(ReadMemberRows(member.get()), "Caption", "(No Caption)")) combo_->addItem(*entry);
  if (combo_->count()) combo_->setCurrentIndex(std::clamp(previous, 0, combo_->count() - 1));
}

void CQVTabsPropPage::Rebuild() {
  com::Variant tabs;
  const DISPID id = com::IdOfName(control_.get(), QStringLiteral("Tabs"));
  tabs_ = {};
  if (id != DISPID_UNKNOWN && SUCCEEDED(com::GetProperty(control_.get(), id, tabs)) && tabs.Get().vt == VT_DISPATCH)
    tabs_ = com::Ref<IDispatch>(tabs.Get().pdispVal);
  members_ = CollectionMembers(tabs_.get());
  FillCombo();
  SHORT current = 0;
  if (currentTab_ && SUCCEEDED(currentTab_->GetCurrentTab(&current)) && current >= 1 && current <= combo_->count())
    combo_->setCurrentIndex(current - 1);
  if (combo_->count() && combo_->currentIndex() < 0) combo_->setCurrentIndex(0);
  ShowSelected();
}

void CQVTabsPropPage::ShowSelected() {
  const int at = combo_->currentIndex();
  rows_ = at >= 0 && at < static_cast<int>(members_.size()) ? ReadMemberRows(members_[static_cast<size_t>(at)].get())
                                                            : MemberRows();
  list_->Show(&rows_);
}

void CQVTabsPropPage::SetControlTab() {
  if (!currentTab_ || combo_->currentIndex() < 0) return;
  ownTabChange_ = true;
  currentTab_->SetCurrentTab(static_cast<SHORT>(combo_->currentIndex() + 1));
  ownTabChange_ = false;
}

void CQVTabsPropPage::UpdateArrows() {
  const int count = combo_->count();
  const int at = combo_->currentIndex();
  const int state = count < 2 ? kBothDisabled : at <= 0 ? kLeftDisabled : at >= count - 1 ? kRightDisabled
                                                                                          : kBothEnabled;
  remove_->setEnabled(true);
  if (state == arrows_) return;
  arrows_ = state;
  left_->setEnabled(state == kBothEnabled || state == kRightDisabled);
  right_->setEnabled(state == kBothEnabled || state == kLeftDisabled);
}

void CQVTabsPropPage::Step(int by) {
  const int count = combo_->count();
  const int at = combo_->currentIndex();
  int to = at;
  if (by < 0) to = at <= 0 ? 0 : at - 1;
  if (by > 0) to = at < 0 ? 0 : at + 1 < count ? at + 1 : at;
  if (count == 0 || to == at) return;
  ApplyPending();
  combo_->setCurrentIndex(to);
  ShowSelected();
  SetControlTab();
  UpdateArrows();
  if (changePending_) PostRebuild(true);
}

void CQVTabsPropPage::AddTab() {
  ApplyPending();
  applying_ = true;
  editingCollection_ = true;
  if (tabs_ && SUCCEEDED(CollectionAdd(tabs_.get(), FreshExceptionInfo()))) {
    members_ = CollectionMembers(tabs_.get());
    FillCombo();
    combo_->setCurrentIndex(combo_->count() - 1);
    ShowSelected();
    SetControlTab();
    UpdateArrows();
    MakeDirty();
  }
  editingCollection_ = false;
  applying_ = false;
}

void CQVTabsPropPage::RemoveTab() {
  ApplyPending();
  applying_ = true;
  editingCollection_ = true;
  const int at = combo_->currentIndex();
  if (tabs_ && at >= 0 && SUCCEEDED(CollectionRemove(tabs_.get(), at + 1, FreshExceptionInfo()))) {
    members_ = CollectionMembers(tabs_.get());
    FillCombo();
    if (combo_->count()) combo_->setCurrentIndex(std::min(at, combo_->count() - 1));
    ShowSelected();
    SetControlTab();
    MakeDirty();
  } else {
    remove_->setFocus();
  }
  UpdateArrows();
  editingCollection_ = false;
  applying_ = false;
}

HRESULT CQVTabsPropPage::OnApply() {
  const bool wasApplying = applying_;
  applying_ = true;
  HRESULT hr = S_OK;
  for (MemberRow& row : rows_) {
    if (!row.modified) continue;
    if (FAILED(WriteRow(row, FreshExceptionInfo()))) {
      if (list_) list_->SelectRow(&row);
      hr = E_FAIL;
      break;
    }
  }
  applying_ = wasApplying;
  if (Dialog()) Dialog()->update();
  if (changePending_) PostRebuild(true);
  return hr;
}

void CQVTabsPropPage::PostRebuild(bool own) {
  if (!Dialog()) return;
  QMetaObject::invokeMethod(Dialog(), [this, own] { OnRebuild(own); }, Qt::QueuedConnection);
}

void CQVTabsPropPage::OnRebuild(bool own) {
  if (!changePending_ || applying_ || !combo_) return;
  changePending_ = false;
  if (own) {
    const int noted = combo_->currentIndex();
    Rebuild();
    if (combo_->count()) combo_->setCurrentIndex(std::clamp(noted, 0, combo_->count() - 1));
  } else {
    ApplyPending();
    Rebuild();
  }
  ShowSelected();
  SetControlTab();
  UpdateArrows();
}

void CQVTabsPropPage::OnPaint() {
  if (!refreshPending_ || !combo_) return;
  refreshPending_ = false;
  Rebuild();
  UpdateArrows();
}

HRESULT CQVTabsPropPage::OnChanged(DISPID id) {
  if (ownTabChange_ || !combo_) return S_OK;
  const DISPID tabs = com::IdOfName(control_.get(), QStringLiteral("Tabs"));
  if (applying_) {
    if (id == tabs && !editingCollection_) {
      changePending_ = true;
      PostRebuild(true);
    }
    return S_OK;
  }
  if (id == ctl::kDispidCurrentTabChanged) {
    SHORT current = 0;
    if (IsActive() && currentTab_ && SUCCEEDED(currentTab_->GetCurrentTab(&current)) && current >= 1 &&
        current <= combo_->count()) {
      combo_->setCurrentIndex(current - 1);
      ShowSelected();
      UpdateArrows();
    }
  } else if (id == tabs) {
    if (IsActive()) {
      changePending_ = true;
      PostRebuild(false);
    } else {
      refreshPending_ = true;
    }
  }
  return S_OK;
}

}  // namespace qvp
