#pragma once
// Pieces shared by the transaction entry windows (the transaction dialog, the scan and
// batch windows): the category and account lists, the field captions the database
// renames, the calendar and list buttons, the note that keeps Enter, the default unit
// amount of a new transaction and the one limit of a stored note.

#include <QObject>
#include <QString>
#include <cstdint>

#include "platform/runtime/Currency.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class QWidget;

namespace inventory {

// The longest note a transaction keeps, in characters.
inline constexpr int kTranNoteMaxChars = 35535;
// The note as stored: its first kTranNoteMaxChars characters, never half a character.
QString TranNoteForStore(const QString& sNote);

// "Price Per Unit" for Ship and Allocate, else "Cost Per Unit".
QString UnitAmountCaption(int32_t udTranType);
// The unit amount a new transaction of the product starts with: the standard cost
// for On Order and Receive, the standard price for Ship and Allocate; `current` for
// any other type.
rt::Currency DefaultUnitAmount(int32_t nProdId, int32_t udTranType, rt::Currency current);

// Fills the list with the transaction categories (list type 2) or accounts (7): a blank
// first item with id 0, then the entries; selects nSelectID.
void LoadTranList(QComboBox& cbo, int32_t nListType, int32_t nSelectID);
// After the list editor: the list reloaded with the entry chosen before, the focus on it.
void ReloadTranList(QComboBox& cbo, int32_t nListType);
// The notes, category and account captions renamed as the database names the fields.
void RelabelTranFields(QLabel& lblNote, QLabel& lblCat, QLabel& lblAcct);
// The calendar from the date in the box; a chosen day replaces it.
void PickDateInto(QLineEdit& txtDate);

// The calendar button ("View calendar") and a "..." list button ("Modify list").
QToolButton* NewCalendarButton(QWidget* parent);
QToolButton* NewListButton(const QString& name, QWidget* parent);
// A label showing `text` bound to `buddy`, named `name`.
QLabel* NewLabel(const QString& name, const QString& text, QWidget* buddy, QWidget* parent);
// The bold heading label lblHeading.
QLabel* NewHeading(const QString& text, QWidget* parent);
// A named text box; a named drop-down list at least `chars` characters wide (0: as wide
// as its entries).
QLineEdit* NewLine(const QString& name, QWidget* parent);
// A read-only line showing a name: a long one shows its start whenever it is set and
// whenever the line loses focus (a look at its end scrolls only while it has focus).
QLineEdit* NewNameLine(const QString& name, QWidget* parent);
QComboBox* NewList(const QString& name, int chars, QWidget* parent);
// A multi-line note box where Tab moves on.
QPlainTextEdit* NewNote(int height, QWidget* parent);
// The calendar button fills the date box; the list buttons open the list editors of
// transaction categories and accounts and reload their lists afterwards.
void ConnectTranButtons(QWidget& owner, QToolButton& cmdCalendar, QLineEdit& txtDate, QToolButton& cmdCat,
                        QComboBox& cboCategory, QToolButton& cmdAcct, QComboBox& cboAccount);

// While the note has the focus, Enter goes into it: `ok` stops being the default button
// and is the default again when the note loses the focus.
class NoteKeepsEnter : public QObject {
 public:
  NoteKeepsEnter(QPlainTextEdit& note, QPushButton& ok);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPushButton& ok_;
};

}  // namespace inventory
