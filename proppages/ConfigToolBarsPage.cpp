#include "proppages/ConfigToolBarsPage.h"

#include <QGridLayout>
#include <QPushButton>

#include "platform/com/ListBarInterfaces.h"
#include "platform/ui/ButtonRow.h"
#include "proppages/PageSupport.h"

namespace qvp {

void CQVConfigToolBarsPropPage::BuildDialog(QWidget* dialog) {
  auto* configure = ui::NamedButton(QStringLiteral("&Configure..."), QStringLiteral("1043"), dialog);
  configure->setMinimumSize(105, 32);
  auto* layout = new QGridLayout(dialog);
  layout->addWidget(configure, 0, 0, Qt::AlignCenter);
  QObject::connect(configure, &QPushButton::clicked, dialog, [this] { Configure(); });
}

HRESULT CQVConfigToolBarsPropPage::OnNewObjects() {
  if (!Objects().empty()) ReadControlHelpFile(Objects()[0], helpFile_);
  return S_OK;
}

void CQVConfigToolBarsPropPage::Configure() {
  if (Objects().empty()) return;
  // Held: the control's dialog runs an event loop, in which the host may let go of it.
  auto object = com::QueryAs<IOleObject>(Objects()[0], IID_IOleObject);
  if (!object) return;
  Modal([&] { object->DoVerb(ctl::kVerbConfigureToolBars, nullptr, nullptr, 0, nullptr, nullptr); });
  auto persist = com::QueryAs<IPersistStreamInit>(object.get(), IID_IPersistStreamInit);
  if (persist && persist->IsDirty() == S_OK) MakeDirty();
}

}  // namespace qvp
