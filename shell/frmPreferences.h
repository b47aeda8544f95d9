#pragma once
// frmPreferences: the preferences dialog (placeholder until the dialog lands).

#include <QDialog>

class QTabWidget;

class frmPreferences : public QDialog {
  Q_OBJECT
 public:
  explicit frmPreferences(QWidget* parent = nullptr);
  QTabWidget* TabCtl;
  bool Updated = false;
};
