#pragma once
// Single-line text fields hold one line. Every QLineEdit of the program without a
// validator of its own (numeric and spin edits have theirs) gets the rule when it is
// polished, that is before it is first shown: a line break typed, pasted, dropped or
// set into it becomes a space, which the field shows and the program reads.

#include <QString>
#include <QValidator>

class QApplication;

namespace ui {

// Each line break (CR LF, CR, LF, U+0085, U+2028, U+2029) as one space.
QString LineBreaksAsSpaces(const QString& text);

class SingleLineValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

// Gives every single-line field of `app` the rule above.
void InstallSingleLineRule(QApplication& app);

}  // namespace ui
