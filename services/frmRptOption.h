#pragma once
// frmRptOption: the modal "Report Options" window in front of a grid print: what to
// print (the entire view or the selected rows), the report title with an optional
// date and time, and the page orientation. It opens with the options remembered in
// the Pref values "RptPageOrientation", "RptPrintSingleRowOnly" and
// "RptPrintDateTime"; OK saves them (and the title, under m_sTitleKey when that is not
// empty) and hides the window; Cancel saves nothing. The caller creates it, runs it
// with ui::RunModal, reads the members and deletes it.

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmRptOption : public QDialog {
  Q_OBJECT

 public:
  explicit frmRptOption(QWidget* parent = nullptr);

  // The title box is wide enough for a title of this many characters.
  static constexpr int kTitleChars = 50;

  bool m_bOK = false;          // True only after OK
  int32_t m_nOrientation = 0;  // 1 portrait, 2 landscape
  int32_t m_nRowOnly = 0;      // 1: the selected rows only; 0: the entire view
  int32_t m_nDTStamp = 0;      // 1: append the print date and time to the title
  QString m_sTitleKey;         // Pref value remembering the title; empty: not remembered

  // Stores the key; a non-empty title remembered under a non-empty key goes into txtTitle.
  void RestoreRptTitle(const QString& sTitleKey);
  // 1 checks "Portrait"; 2 and every other value check "Landscape".
  void SetPageOrientation(int32_t eOrientation);

  std::array<QRadioButton*, 2> optWhatToPrint{};  // "Entire View", "Selected row only"
  QLineEdit* txtTitle = nullptr;
  QCheckBox* ckDT = nullptr;
  std::array<QRadioButton*, 2> optOrientation{};  // "Landscape", "Portrait"
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 public slots:
  void OKButton_Click();
  void CancelButton_Click();
  void reject() override;  // Escape and the window frame: Cancel

 private:
  void Form_Load();
};
