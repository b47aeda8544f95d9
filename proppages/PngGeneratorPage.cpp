#include "proppages/PngGeneratorPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "platform/runtime/Codepage.h"
#include "platform/ui/ButtonRow.h"
#include "proppages/PageStrings.h"
#include "proppages/PageSupport.h"
#include "proppages/PictureDialog.h"
#include "proppages/PngStrip.h"

namespace qvp {

namespace {

constexpr int64_t kManyColors = 65536;

// The depth the bitmap was stored with: a 4-bit bitmap is held as an 8-bit one with a
// table of at most 16 colours.
int StoredBits(const QImage& image) {
  if (image.format() == QImage::Format_Indexed8 && image.colorCount() <= 16) return 4;
  return image.depth();
}

// 2 to the power of the bitmap's depth.
int64_t BitmapColors(const QImage& image) {
  if (image.isNull()) return 0;
  const int bits = StoredBits(image);
  return bits >= 32 ? int64_t{1} << 32 : int64_t{1} << bits;
}

}  // namespace

QString PictureStatusLine(IPicture* picture) {
  int64_t colors = 0;
  switch (PictureType(picture)) {
    case PICTYPE_BITMAP:
      colors = BitmapColors(PictureImage(picture));
      break;
    case PICTYPE_ICON:
      colors = 16;
      break;
    default:
      // The display here always has more than 256 colours.
      colors = int64_t{1} << 24;
      break;
  }
  const QSize size = GetPictureSizePixels(picture).value_or(QSize(0, 0));
  if (colors > kManyColors) return PageTextFormat(2098, size.width(), size.height());
  return PageTextFormat(2099, size.width(), size.height(), static_cast<int>(colors));
}

QImage PictureForPng(IPicture* picture) {
  if (PictureType(picture) == PICTYPE_BITMAP) return PictureImage(picture);
  return PictureToBitmap(picture, kOleMenuColor);
}


void CQVPNGGeneratorPropPage::BuildDialog(QWidget* dialog) {
  preview_ = new PicturePreview(picture_, dialog);
  auto* browse = ui::NamedButton(QStringLiteral("&Browse..."), QStringLiteral("1012"), dialog);
  save_ = ui::NamedButton(QStringLiteral("&Save As PNG File..."), QStringLiteral("1039"), dialog);
  status_ = new QLabel(dialog);
  status_->setObjectName(QStringLiteral("1023"));
  status_->setAlignment(Qt::AlignCenter);

  auto* layout = new QGridLayout(dialog);
  layout->addWidget(preview_, 0, 0, 3, 1);
  layout->addWidget(browse, 0, 1);
  layout->addWidget(save_, 1, 1);
  layout->setRowStretch(2, 1);
  layout->addWidget(status_, 3, 0);
  layout->setColumnStretch(0, 1);

  save_->setEnabled(picture_ && picture_.GetType() != PICTYPE_NONE);
  if (picture_) UpdateStatus();
  QObject::connect(browse, &QPushButton::clicked, dialog, [this] { Browse(); });
  QObject::connect(save_, &QPushButton::clicked, dialog, [this] { Save(); });
}

HRESULT CQVPNGGeneratorPropPage::OnNewObjects() {
  if (!Objects().empty()) ReadControlHelpFile(Objects()[0], helpFile_);
  return S_OK;
}

void CQVPNGGeneratorPropPage::Browse() {
  const auto path = Modal([&] { return AskPageFile(false, 2014, 2022, "bmp", Dialog()); });
  if (!path) return;
  com::Ref<IStream> stream;
  if (FAILED(LoadFileToStream(*path, stream.Out()))) return;
  com::Ref<IPicture> loaded;
  if (FAILED(OleLoadPicture(stream.get(), 0, FALSE, IID_IPicture, loaded.OutVoid())) || !loaded) {
    Modal([&] { ShowLoadErrorBox(CPageString(rt::ToCp1252(*path).c_str())); });
    return;
  }
  picture_ = CPictureRef(loaded.get());
  save_->setEnabled(true);
  UpdateStatus();
  preview_->update();
}

void CQVPNGGeneratorPropPage::Save() {
  const auto path = Modal([&] { return AskPageFile(true, 2021, 2019, "png", Dialog()); });
  if (!path) return;
  const QImage bitmap = PictureForPng(picture_.Get());
  // Palette bitmaps keep their depth (a 4-bit one writes 16 palette entries).
  const int bits = bitmap.depth() <= 8 ? StoredBits(bitmap) : 0;
  if (bitmap.isNull() || !SaveDibAsPng(*path, {CPageString("")}, bitmap, nullptr, bits))
    Modal([&] { ShowSaveErrorBox(*path); });
}

void CQVPNGGeneratorPropPage::UpdateStatus() { status_->setText(PictureStatusLine(picture_.Get())); }

}  // namespace qvp
