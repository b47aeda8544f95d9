#pragma once
// frmMessage: the modal window that shows a long, multi-line message with an icon.
// Loaded, initialised (Init), shown modally and unloaded by clsSystem::ShowMsg; nothing
// of it survives between calls. OK (also Enter and Escape) closes it; Print prints the
// text on the printer the user chooses, headed by the product name. Save As (save as
// a document) and Email exist but stay hidden.

#include <QDialog>
#include <QString>
#include <cstdint>

class QLabel;
class QPrinter;
class QPushButton;
class QTextEdit;

class frmMessage : public QDialog {
  Q_OBJECT

 public:
  explicit frmMessage(QWidget* parent = nullptr);

  // Help context = nHelpTopicID when it is 1 or more, else 0; the text shown as it is;
  // the image of MsgType (1 ImageInfo, 2 imgWarn, 3 imageCritical, 4 imgLocked) made
  // visible, the others hidden. The window fits the text: lines up to 80 characters
  // wide, as tall as the wrapped text, within the screen's available area (the rest scrolls).
  void Init(const QString& sMsg, int32_t MsgType, int32_t nHelpTopicID);
  int32_t HelpContextID() const;

  // Prints the message text on `printer`.
  void PrintMsg(QPrinter& printer) const;
  // Replaces the clipboard's contents with the message as plain text.
  void CopyMsgToClipboard() const;

  QTextEdit* txtMsg = nullptr;
  QLabel* ImageInfo = nullptr;
  QLabel* imgWarn = nullptr;
  QLabel* imageCritical = nullptr;
  QLabel* imgLocked = nullptr;
  QPushButton* cmdPrint = nullptr;
  QPushButton* cmdSaveAs = nullptr;
  QPushButton* cmdEmail = nullptr;
  QPushButton* cmdClose = nullptr;

 public slots:
  void cmdClose_Click();
  void cmdPrint_Click();
  void cmdSaveAs_Click();
  void cmdEmail_Click();

 private:
  void Form_Load();
  void SizeToText();
};
