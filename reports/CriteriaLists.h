#pragma once
// Helpers of the two criteria editors: drop-down lists whose first entry means "all".

#include <QString>
#include <cstdint>

class QComboBox;
class QLabel;
class QWidget;

namespace reports {

// The text colour of a list: red (255) when an entry after the first is chosen, else
// black (0), so that a narrowed criterion stands out.
void SetNarrowedColour(QComboBox& cbo);
// A drop-down list named `name`, wide enough for long entries.
QComboBox* DropDown(QWidget* parent, const QString& name);
// A label named `name`.
QLabel* Caption(QWidget* parent, const QString& text, const QString& name);
// Appends an entry carrying `nID` as its item data.
void AddItem(QComboBox& cbo, const QString& text, int32_t nID);

}  // namespace reports
