#pragma once
// The look shared by the program's windows: fixed-size dialogs, the program's own
// button pictures and labels that show their text as it is. Texts that can carry data
// are plain text everywhere (PlainLabel for labels, setPlainText for text boxes,
// Qt::PlainText on status panels and message labels); only the help window renders HTML.

#include <QIcon>
#include <QLabel>
#include <QSize>
#include <QString>

class QWidget;

namespace ui {

// Makes `window` fixed-size: at `size` when given, else at the size its layout asks
// for (following later text changes: frmMessage takes the size of its text). The user
// cannot resize it either way. Windows holding only fields are fixed: a window manager
// draws a resize handle below the buttons of a resizable one.
void FixWindowSize(QWidget& window, QSize size = {});

// `widget` keeps its place in its layout while hidden: hiding it neither moves the other
// controls nor resizes a fixed-size window.
void KeepPlaceWhenHidden(QWidget& widget);

// A picture of the program, by its freedesktop icon name ("x-office-calendar",
// "view-refresh", ...): the one shipped with the program (our own drawn PNGs of
// resources/icons, built in as :/icons/<name>.png), else the icon theme's. Names with no
// freedesktop equivalent are ours: view-autosize-columns, edit-select-none,
// edit-select-invert.
QIcon ProgramIcon(const QString& name);
// The program's own icon: its windows, the task bar and the menu bar corner show it.
QIcon ApplicationIcon();

// A label showing `text` as plain text: texts that carry user data are never read as HTML.
QLabel* PlainLabel(const QString& text, QWidget* parent);

// A text of the user's (a list name, a field name) made into a caption where "&" marks
// a mnemonic (menu items, buttons, labels with a buddy, window captions in the Window
// menu): every "&" doubled, so that it shows as typed.
QString LiteralMnemonicText(const QString& text);
// The text a mnemonic caption shows: the "&" marks removed, "&&" read as "&".
QString ShownMnemonicText(const QString& caption);

}  // namespace ui
