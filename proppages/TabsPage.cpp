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

constexpr int kBothEnabled = 0;
constexpr int kLeftDisabled = 1;
constexpr int kRightDisabled = 2;
constexpr int kBothDisabled = 3;

}  // namespace

HRESULT CQVTabsPropPage::OnHelp(LPCOLESTR) {
  const CListBoxItem* row = list_ ? list_->CurrentRow() : nullptr;
  return ShowTopic(row ? row->GetHelpContext() : 0);
}

const RowList& CQVTabsPropPage::TabRows() const { return RowsOf(Selected()); }

CExpandableCollectionItem* CQVTabsPropPage::Selected() const {
  const int at = combo_ ? combo_->currentIndex() : -1;
  return tabs_ && at >= 0 && at < tabs_->MemberCount() ? &tabs_->Member(at) : nullptr;
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
  list_ = new PropertyListView(*this, dialog, true);
  list_->setObjectName(QStringLiteral("2201"));
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
    if (!ApplyPending()) return;
    ShowSelected();
    SetControlTab();
    UpdateArrows();
  });
  QObject::connect(left_, &QToolButton::clicked, dialog, [this] { Step(-1); });
  QObject::connect(right_, &QToolButton::clicked, dialog, [this] { Step(1); });
  QObject::connect(add_, &QPushButton::clicked, dialog, [this] { AddTab(); });
  QObject::connect(remove_, &QPushButton::clicked, dialog, [this] { RemoveTab(); });
  combo_->setFocus();
}

void CQVTabsPropPage::DialogGone() {
  if (list_) list_->SetRows({}, nullptr);
  tabs_.reset();
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
  if (list_) list_->SetRows({}, nullptr);
  tabs_.reset();
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
  for (int m = 0; tabs_ && m < tabs_->MemberCount(); ++m)
    if (auto entry = MemberEntry(tabs_->Member(m).rows, "Caption", "(No Caption)")) combo_->addItem(*entry);
  if (combo_->count()) combo_->setCurrentIndex(std::clamp(previous, 0, combo_->count() - 1));
}

void CQVTabsPropPage::Rebuild() {
  // The listed rows go only after the list has been refilled.
  const std::unique_ptr<CCollectionProperty> shown = std::move(tabs_);
  tabs_ = ReadCollection(control_.get(), QStringLiteral("Tabs"));
  FillCombo();
  SHORT current = 0;
  if (currentTab_ && SUCCEEDED(currentTab_->GetCurrentTab(&current)) && current >= 1 && current <= combo_->count())
    combo_->setCurrentIndex(current - 1);
  if (combo_->count() && combo_->currentIndex() < 0) combo_->setCurrentIndex(0);
  ShowSelected();
}

void CQVTabsPropPage::ShowSelected() { ShowMemberRows(*list_, Selected()); }

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
  if (!ApplyPending()) return;
  combo_->setCurrentIndex(to);
  ShowSelected();
  SetControlTab();
  UpdateArrows();
  if (changePending_) PostRebuild(true);
}

void CQVTabsPropPage::AddTab() {
  if (!ApplyPending()) return;
  applying_ = true;
  editingCollection_ = true;
  if (tabs_ && tabs_->AddItem(*this) && AppendLastMember(*tabs_)) {
    FillCombo();
    combo_->setCurrentIndex(combo_->count() - 1);
    ShowSelected();
    SetControlTab();
    UpdateArrows();
  }
  editingCollection_ = false;
  applying_ = false;
}

void CQVTabsPropPage::RemoveTab() {
  if (!ApplyPending()) return;
  applying_ = true;
  editingCollection_ = true;
  const int at = combo_->currentIndex();
  // The tab's rows go with it: the list lets go of them first.
  list_->SetRows({}, nullptr);
  if (tabs_ && at >= 0 && tabs_->RemoveItem(*this, at + 1)) {
    FillCombo();
    if (combo_->count()) combo_->setCurrentIndex(std::min(at, combo_->count() - 1));
    ShowSelected();
    SetControlTab();
  } else {
    ShowSelected();
    remove_->setFocus();
  }
  UpdateArrows();
  editingCollection_ = false;
  applying_ = false;
}

HRESULT CQVTabsPropPage::OnApply() {
  const bool wasApplying = applying_;
  applying_ = true;
  std::vector<CProperty*> pending;
  for (int m = 0; tabs_ && m < tabs_->MemberCount(); ++m) CollectPending(tabs_->Member(m).rows, pending);
  const HRESULT hr = WritePending(std::move(pending));
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
    if (!ApplyPending()) return;
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

HRESULT CQVTabsPropPage::OnPropertyChanged(DISPID id) {
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
