#include "proppages/PictureDialog.h"

#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <qdrawutil.h>

#include "platform/ui/ButtonRow.h"
#include "platform/ui/Colors.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/ModalRunner.h"
#include "platform/runtime/Codepage.h"
#include "proppages/PageStrings.h"

namespace qvp {

const char* const kPictureFileFilter = PageStringText(2012);

namespace {

constexpr int kEdgeWidth = 2;

}  // namespace

QRect FitPictureRect(const QRect& rect, long width, long height) {
  // Edges as exclusive right and bottom, in 64 bits: no overflow for any size.
  int64_t left = rect.left(), top = rect.top(), right = left + rect.width(), bottom = top + rect.height();
  const int64_t w = right - left, h = bottom - top;
  if (width <= 0 || height <= 0 || w <= 0 || h <= 0) return rect;
  const int64_t aspect = int64_t{width} * 1000 / height;
  if (aspect <= 0) return rect;
  if (w * 1000 / h < aspect) {
    const int64_t d = (h - w * 1000 / aspect + 1) >> 1;
    top += d;
    bottom -= d;
  } else {
    const int64_t d = (w - aspect * h / 1000 + 1) >> 1;
    left += d;
    right -= d;
  }
  return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
               static_cast<int>(bottom - top));
}

PicturePreview::PicturePreview(const CPictureRef& picture, QWidget* parent)
    : QFrame(parent), picture_(picture) {
  setObjectName(QStringLiteral("1011"));
  setMinimumSize(164, 140);
}

void PicturePreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRect r = rect();
  painter.fillRect(r, ui::ColorFromBgr(TranslateOleColor(kOleMenuColor)));
  qDrawShadePanel(&painter, r, palette(), true, kEdgeWidth);
  r.adjust(kEdgeWidth, kEdgeWidth, -kEdgeWidth, -kEdgeWidth);
  IPicture* picture = picture_.Get();
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  if (PictureType(picture) <= PICTYPE_NONE || FAILED(picture->get_Width(&width)) ||
      FAILED(picture->get_Height(&height)) || width <= 0 || height <= 0)
    return;
  const QRect fit = FitPictureRect(r, width, height);
  if (fit.isEmpty()) return;
  picture->Render(&painter, fit.left(), fit.top(), fit.width(), fit.height(), 0, height, width, -height, nullptr);
}

class CPictureDialog::Window final : public QDialog {
 public:
  Window(CPictureRef& picture, QWidget* parent) : QDialog(parent), picture_(picture) {
    setObjectName(QStringLiteral("112"));
    setWindowTitle(QStringLiteral("Load Picture"));
    preview_ = new PicturePreview(picture_, this);
    auto* ok = ui::NamedButton(QStringLiteral("OK"), QStringLiteral("1"), this);
    ok->setDefault(true);
    auto* cancel = ui::NamedButton(QStringLiteral("Cancel"), QStringLiteral("2"), this);
    clear_ = ui::NamedButton(QStringLiteral("&Clear"), QStringLiteral("1013"), this);
    browse_ = ui::NamedButton(QStringLiteral("&Browse..."), QStringLiteral("1012"), this);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(clear_);
    buttons->addWidget(browse_);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(preview_, 1);
    layout->addLayout(buttons);
    ui::FixWindowSize(*this);

    UpdateClear();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(clear_, &QPushButton::clicked, this, [this] { Clear(); });
    connect(browse_, &QPushButton::clicked, this, [this] { Browse(); });
  }

 private:
  void UpdateClear() { clear_->setEnabled(picture_.GetType() != PICTYPE_NONE); }

  void Replace(const CPictureRef& picture) {
    picture_ = picture;
    UpdateClear();
    preview_->repaint();
  }

  void Clear() {
    if (!picture_ || picture_.GetType() != PICTYPE_NONE) {
      CPictureRef empty;
      if (empty.CreateEmpty()) Replace(empty);
    }
    browse_->setFocus();
  }

  void Browse() {
    ui::FileDialogRequest request;
    request.title = QStringLiteral("Browse Picture");
    request.filter = QString::fromLatin1(kPictureFileFilter);
    request.defaultExt = QStringLiteral("bmp");
    request.flags = ui::OFN_HIDEREADONLY | ui::OFN_PATHMUSTEXIST | ui::OFN_FILEMUSTEXIST | ui::OFN_LONGNAMES |
                    ui::OFN_EXPLORER;
    request.owner = this;
    const auto path = ui::GetFileName(request);
    if (!path) return;
    CPictureRef loaded;
    if (SUCCEEDED(LoadPictureFile(*path, loaded))) {
      Replace(loaded);
    } else if (!IsPngFileName(*path)) {
      ShowLoadErrorBox(CPageString(rt::ToCp1252(*path).c_str()));
    }
  }

  CPictureRef& picture_;
  PicturePreview* preview_ = nullptr;
  QPushButton* clear_ = nullptr;
  QPushButton* browse_ = nullptr;
};

int CPictureDialog::Run(QWidget* owner) {
  Window window(picture_, owner);
  if (ui::RunModal(window, owner) == QDialog::Accepted) return 1;
  picture_.Release();
  return 0;
}

}  // namespace qvp
