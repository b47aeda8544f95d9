#pragma once
// frmImportProducts: the "Import Products" dialog, where the user names the product
// CSV file; it also opens a copy of the sample file and shows the format help.

#include "exchange/ImportFileDialog.h"

class frmImportProducts : public ImportFileDialog {
  Q_OBJECT

 public:
  explicit frmImportProducts(QWidget* parent = nullptr);

 public slots:
  void cmdHelp_Click() override;
};
