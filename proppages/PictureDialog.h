#pragma once
// The picture dialog "Load Picture" of picture rows: a preview (1011) of the picture in
// its aspect ratio, OK (1), Cancel (2), "&Clear" (1013) for an empty picture and
// "&Browse..." (1012) for a picture file (ui::GetFileName, kPictureFileFilter). A file
// that does not load shows its path titled "Error Loading File" (.wmf and .emf among
// them: nothing here decodes metafile files, so no filter offers them), except a PNG
// file, which changes nothing silently. Controls carry their ids as objectName; the
// dialog is "112".

#include <QFrame>
#include <QRect>

#include "proppages/PictureRef.h"

class QWidget;

namespace qvp {

// The file filter of the picture browser.
extern const char* const kPictureFileFilter;

// The part of `rect` a picture of the given HIMETRIC size is drawn in: shrunk on both
// sides of one axis to the picture's aspect ratio (width × 1000 / height). The whole
// rectangle for a picture or rectangle without a size.
QRect FitPictureRect(const QRect& rect, long width, long height);

// A preview of a held picture: a sunken frame on the menu colour with the picture
// fitted inside (FitPictureRect). Named "1011"; it repaints when told to.
class PicturePreview final : public QFrame {
 public:
  PicturePreview(const CPictureRef& picture, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const CPictureRef& picture_;
};

class CPictureDialog {
 public:
  // Holds a reference of its own to the picture (which may be null).
  explicit CPictureDialog(IPicture* picture) : picture_(picture) {}
  virtual ~CPictureDialog() = default;
  CPictureDialog(const CPictureDialog&) = delete;
  CPictureDialog& operator=(const CPictureDialog&) = delete;

  // Shows the dialog modally over `owner`: 1 with Picture() the result (OK), 0 with
  // the dialog's reference released (Cancel).
  int Run(QWidget* owner);

  const CPictureRef& Picture() const { return picture_; }

 private:
  class Window;
  CPictureRef picture_;
};

}  // namespace qvp
