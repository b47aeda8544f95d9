#pragma once
// frmPrinterSelectionDlg: the modal "Printer Selection" window: a printer of
// ui::PrinterNames() (the current printer selected when it opens), the number of
// copies and the page orientation. OK runs Validate and hides the window only when it
// passes; Cancel hides it with OK False. The caller creates it, runs it with
// ui::RunModal and reads the members.

#include <QDialog>
#include <array>
#include <cstdint>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmPrinterSelectionDlg : public QDialog {
  Q_OBJECT

 public:
  explicit frmPrinterSelectionDlg(QWidget* parent = nullptr);

  bool OK = false;
  bool Portrait = true;  // True unless "Landscape" was chosen
  int16_t NumCopies = 1;
  int16_t PrinterIndex = 0;  // position in ui::PrinterNames(), from 0

  // Reads the entries into the members; the first wrong one gets a warning
  // ("Select a printer." / "Number of copies must be between 1 and 999.") and False.
  bool Validate();

  QComboBox* cboPrinters = nullptr;
  QLineEdit* txtNumCopies = nullptr;
  std::array<QRadioButton*, 2> optionPageOrientation{};  // "Portrait", "Landscape"
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 public slots:
  void OKButton_Click();
  void CancelButton_Click();
  void reject() override;  // Escape and the window frame: Cancel

 private:
  void Form_Load();
};
