#pragma once
// The PNG Generator page: a utility that loads any picture file, previews it fitted
// into the page with its size and colour count, and saves it as a one-image PNG file.
// It edits nothing of the control; Apply writes nothing.

#include "proppages/CPageString.h"
#include "proppages/CQVPropPageBase.h"
#include "proppages/PictureRef.h"

class QLabel;
class QPushButton;

namespace qvp {

class PicturePreview;

class CQVPNGGeneratorPropPage final : public CQVPropPageBase {
 public:
  explicit CQVPNGGeneratorPropPage(IUnknown* outer) : CQVPropPageBase(outer, 5) {}
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    return CreatePage<CQVPNGGeneratorPropPage>(outer, iid, out);
  }

  const CPageString& HelpFile() const { return helpFile_; }
  const CPictureRef& Picture() const { return picture_; }

 protected:
  void BuildDialog(QWidget* dialog) override;
  SIZE PageSize() const override { return kChildPageSize; }
  HRESULT OnNewObjects() override;

 private:
  void Browse();
  void Save();
  void UpdateStatus();

  CPictureRef picture_;
  CPageString helpFile_;
  PicturePreview* preview_ = nullptr;
  QPushButton* save_ = nullptr;
  QLabel* status_ = nullptr;
};

// The status line of a picture: "Image: w x h x colours", "16 Million" above 65536.
QString PictureStatusLine(IPicture* picture);

// The picture as the bitmap a PNG file is made of: a bitmap its own pixels, anything
// else drawn scaled on the menu colour at its pixel size. Null for no picture, an
// empty one or one without a size.
QImage PictureForPng(IPicture* picture);

}  // namespace qvp
