#include "exchange/frmImportPreview.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/controls/GridControl.h"
#include "platform/ui/ButtonRow.h"
#include "services/TrappedSlot.h"
#include "services/clsSystem.h"

frmImportPreview::frmImportPreview(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmImportPreview"));
  setWindowTitle(QStringLiteral("Preview Data"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowModality(Qt::ApplicationModal);

  Label1 = new QLabel(QStringLiteral("You are about to import the following data. Press Continue to "
                                     "proceed or press Cancel to quit..."),
                      this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setWordWrap(true);
  grd = new ctl::GridControl(this);
  grd->setObjectName(QStringLiteral("grd"));
  cmdContinue = new QPushButton(QStringLiteral("C&ontinue"), this);
  cmdContinue->setObjectName(QStringLiteral("cmdContinue"));
  cmdContinue->setDefault(true);
  cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel->setAutoDefault(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(grd, 1);
  layout->addLayout(ui::ButtonRow({}, {cmdContinue, cmdCancel}));
  resize(760, 460);

  ConnectClicks(this, {{cmdContinue, &frmImportPreview::cmdContinue_Click},
                       {cmdCancel, &frmImportPreview::cmdCancel_Click}});
}

bool frmImportPreview::Init(const CsvFile& file, const rt::Collection& ImportColColl,
                            const QStringList& arDataCols, int32_t nNumRows) {
  return gSystem().ImportLoadPreviewGrid(*grd, file, ImportColColl, arDataCols, nNumRows);
}

void frmImportPreview::cmdContinue_Click() {
  bContinue = true;
  accept();
}

void frmImportPreview::cmdCancel_Click() { reject(); }

void frmImportPreview::reject() {
  bContinue = false;
  QDialog::reject();
}
