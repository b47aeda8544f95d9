#include "services/frmDirSel.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui/DialogLook.h"
#include "platform/ui/Prompt.h"
#include "services/TrappedSlot.h"

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
  ConnectTrapped(
      this, &QListWidget::itemDoubleClicked, this,
      [this](QListWidgetItem* item) { SetPath(item->data(Qt::UserRole).toString()); },
      QStringLiteral("DirListBox_DblClick"));
}

bool DirListBox::SetPath(const QString& path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isDir() || !info.isReadable()) return false;
  const QString open = QDir::cleanPath(info.absoluteFilePath());
  clear();
  // Ancestors, root first, indented by depth; then the open folder's sub-folders.
  QStringList chain;
  for (QDir d(open);;) {
    chain.prepend(d.absolutePath());
    if (d.isRoot() || !d.cdUp()) break;
  }
  int depth = 0;
  for (const QString& folder : chain) {
    const QString name = depth == 0 ? folder : QFileInfo(folder).fileName();
    auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name, this);
    item->setData(Qt::UserRole, folder);
    ++depth;
  }
  const int openRow = count() - 1;
  const QStringList subs =
      QDir(open).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& sub : subs) {
    auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + sub, this);
    item->setData(Qt::UserRole, QDir(open).filePath(sub));
  }
  path_ = open;
  setCurrentRow(openRow);
  return true;
}

QString DirListBox::List(int index) const {
  const QListWidgetItem* entry = item(index);
  return entry != nullptr ? entry->data(Qt::UserRole).toString() : QString();
}

frmDirSel::frmDirSel(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmDirSel"));
  setWindowTitle(QStringLiteral("Directory Selection"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  DriveLB = new QComboBox(this);
  DriveLB->setObjectName(QStringLiteral("DriveLB"));
  for (const QFileInfo& drive : QDir::drives()) DriveLB->addItem(drive.absoluteFilePath());
  DirSel = new DirListBox(this);
  DirSel->setObjectName(QStringLiteral("DirSel"));
  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel->setAutoDefault(false);
  lblMsg = ui::PlainLabel(QString(), this);
  lblMsg->setObjectName(QStringLiteral("lblMsg"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Drive:"), this));
  layout->addWidget(DriveLB);
  layout->addWidget(
      new QLabel(QStringLiteral("TIP: Choose drive to view available directories below"), this));
  layout->addWidget(new QLabel(QStringLiteral("Directory:"), this));
  layout->addWidget(DirSel);
  layout->addWidget(
      new QLabel(QStringLiteral("TIP: Double-click on a folder to change directory"), this));
  layout->addWidget(lblMsg);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdCancel);
  layout->addLayout(buttons);

  ConnectTrapped(DriveLB, &QComboBox::currentIndexChanged, this, &frmDirSel::DriveLB_Change,
                 QStringLiteral("frmDirSel_DriveLB_Change"));
  ConnectClicks(this, {{cmdOK, &frmDirSel::cmdOK_Click},
                       {cmdCancel, &frmDirSel::cmdCancel_Click}});
  DriveLB_Change();
}

void frmDirSel::Init(const QString& sInitDir) {
  const QString letter = sInitDir.left(1).toUpper();
  for (int i = 0; i < DriveLB->count(); ++i) {
    if (DriveLB->itemText(i).startsWith(letter, Qt::CaseInsensitive)) {
      DriveLB->setCurrentIndex(i);
      break;
    }
  }
  DirSel->SetPath(sInitDir);
}

void frmDirSel::DriveLB_Change() {
  DirSel->setVisible(true);
  if (DriveLB->currentIndex() < 0 || DirSel->SetPath(DriveLB->currentText())) return;
  DirSel->setVisible(false);
  ui::MsgBox(QStringLiteral("Drive is not accessible or does not contain any media!"));
}

void frmDirSel::cmdOK_Click() {
  m_OK = true;
  m_sDir = DirSel->List(DirSel->currentRow());
  accept();
}

void frmDirSel::cmdCancel_Click() {
  m_OK = false;
  reject();
}
