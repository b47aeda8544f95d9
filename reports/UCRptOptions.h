#pragma once
// UCRptOptions: the "Options" tab of the report definition editor. Edits four of the
// five display options of a definition (data edit, columns to freeze, page orientation,
// initial sort order); row-number display has no control and keeps its value.

#include <QWidget>
#include <array>

class QCheckBox;
class QRadioButton;
class clsRptOptions;
namespace ctl {
class NumericEdit;
}

class UCRptOptions : public QWidget {
  Q_OBJECT
 public:
  explicit UCRptOptions(QWidget* parent = nullptr);

  bool Validate() const { return true; }
  // Orientation 2 shows "Landscape", any other "Potrait"; sort order 1 "Descending",
  // any other "Ascending". Errors: "UCRptOptions_SetValues".
  void SetValues(const clsRptOptions& udRptOptions);
  // Writes the four edited options (m_bShowRowNumbers untouched). Errors:
  // "UCRptOptions_GetValues", the options read so far kept.
  void GetValues(clsRptOptions& udRptOptions);

  QCheckBox* ckAllowDataEdit;
  ctl::NumericEdit* fpCols2Freeze;
  std::array<QRadioButton*, 2> optOrientation;  // 0 "Landscape", 1 "Potrait"
  std::array<QRadioButton*, 2> optSort;         // 0 "Ascending", 1 "Descending"
};
