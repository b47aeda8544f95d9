#include "shell/frmPreferences.h"

#include <QTabWidget>
#include <QVBoxLayout>

frmPreferences::frmPreferences(QWidget* parent) : QDialog(parent), TabCtl(new QTabWidget(this)) {
  setObjectName(QStringLiteral("frmPreferences"));
  TabCtl->setObjectName(QStringLiteral("TabCtl"));
  TabCtl->addTab(new QWidget(TabCtl), QStringLiteral("&Customize Field Names"));
  TabCtl->addTab(new QWidget(TabCtl), QStringLiteral("&Products"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(TabCtl);
  Updated = true;
}
