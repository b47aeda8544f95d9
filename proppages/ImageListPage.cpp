#include "proppages/ImageListPage.h"

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <cstdlib>

#include "platform/com/Enum.h"
#include "platform/com/Memory.h"
#include "platform/runtime/Codepage.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/Colors.h"
#include "platform/ui/Prompt.h"
#include "proppages/PageStrings.h"
#include "proppages/PictureViewer.h"
#include "proppages/PngStrip.h"

namespace qvp {

namespace {

constexpr int kMaxKeyLength = 512;
constexpr size_t kMaxPropertyName = 128;

bool g_adding = false;

CPageString Ansi(const QString& text) { return CPageString(rt::ToCp1252(text).c_str()); }

QString Shown(const CPageString& text) { return rt::FromCp1252(text.Text() ? text.Text() : ""); }

// Whether the key reads as a non-zero 64-bit decimal number (leading digits count).
bool KeyIsNumber(const CPageString& key) {
  if (!key.Text()) return false;
  return std::strtoll(key.Text(), nullptr, 10) != 0;
}

// The enumerator of a collection object: its "_NewEnum" must be DISPID_NEWENUM.
com::Ref<IEnumVARIANT> EnumeratorOf(IDispatch* collection) {
  if (!collection || com::IdOfName(collection, QStringLiteral("_NewEnum")) != DISPID_NEWENUM) return {};
  com::Variant value;
  if (FAILED(com::GetProperty(collection, DISPID_NEWENUM, value))) return {};
  const VARIANT& v = value.Get();
  IUnknown* object = v.vt == VT_UNKNOWN ? v.punkVal : v.vt == VT_DISPATCH ? v.pdispVal : nullptr;
  return com::QueryAs<IEnumVARIANT>(object, IID_IEnumVARIANT);
}

IDispatch* DispatchOf(const VARIANT& v) { return v.vt == VT_DISPATCH ? v.pdispVal : nullptr; }

com::Variant Property(IDispatch* object, const QString& name) {
  com::Variant value;
  const DISPID id = com::IdOfName(object, name);
  if (id != DISPID_UNKNOWN) com::GetProperty(object, id, value);
  return value;
}

QString TextOf(const com::Variant& value) {
  return value.Get().vt == VT_BSTR ? com::ToQString(value.Get().bstrVal) : QString();
}

QLabel* NamedLabel(const QString& text, const char* id, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  if (id) label->setObjectName(QLatin1String(id));
  return label;
}

}  // namespace

bool ImageListAdding() { return g_adding; }

void CQVImageListPropPage::BuildDialog(QWidget* dialog) {
  combo_ = new QComboBox(dialog);
  combo_->setObjectName(QStringLiteral("1026"));
  key_ = new QLineEdit(dialog);
  key_->setObjectName(QStringLiteral("1037"));
  key_->setMaxLength(kMaxKeyLength);
  urlLabel_ = NamedLabel(QStringLiteral("URL:"), "1040", dialog);
  urlLabel_->hide();
  urlShort_ = NamedLabel({}, "1038", dialog);
  urlShort_->setMinimumWidth(120);
  url_ = new QLineEdit(dialog);
  url_->setObjectName(QStringLiteral("1042"));
  url_->hide();
  url_->setEnabled(false);
  number_ = new QLineEdit(QStringLiteral("0"), dialog);
  number_->setObjectName(QStringLiteral("1004"));
  number_->setValidator(new QIntValidator(0, 99999, number_));
  number_->setMaximumWidth(48);
  count_ = NamedLabel(QStringLiteral("0"), "1022", dialog);
  viewer_ = new PictureViewer(dialog);
  const bool first = shiftButtons_;
  insert_ = ui::NamedButton(first ? QStringLiteral("I&nsert Frame...") : QStringLiteral("I&nsert Image..."),
                            QStringLiteral("1006"), dialog);
  remove_ = ui::NamedButton(first ? QStringLiteral("&Remove Frame") : QStringLiteral("&Remove Image"),
                            QStringLiteral("1007"), dialog);
  if (shiftButtons_) {
    shiftLeft_ = ui::NamedButton(QStringLiteral("Shift Frame &Left"), QStringLiteral("1016"), dialog);
    shiftRight_ = ui::NamedButton(QStringLiteral("Shift Frame Ri&ght"), QStringLiteral("1017"), dialog);
  }
  import_ = ui::NamedButton(QStringLiteral("Im&port From File..."), QStringLiteral("1014"), dialog);
  export_ = ui::NamedButton(QStringLiteral("&Export As File..."), QStringLiteral("1015"), dialog);
  size_ = NamedLabel({}, "1023", dialog);
  size_->setAlignment(Qt::AlignCenter);

  auto* listLabel = NamedLabel(QStringLiteral("&Image List:"), nullptr, dialog);
  listLabel->setBuddy(combo_);
  auto* keyLabel = NamedLabel(QStringLiteral("&Key:"), nullptr, dialog);
  keyLabel->setBuddy(key_);
  auto* numberLabel = NamedLabel(QStringLiteral("I&mage"), nullptr, dialog);
  numberLabel->setBuddy(number_);
  auto* viewerLabel = NamedLabel(QStringLiteral("Image &Viewer:"), nullptr, dialog);
  viewerLabel->setBuddy(viewer_);

  auto* top = new QGridLayout;
  top->addWidget(listLabel, 0, 0);
  top->addWidget(combo_, 0, 1);
  top->addWidget(urlLabel_, 0, 2);
  top->addWidget(urlShort_, 0, 3);
  top->addWidget(keyLabel, 1, 0);
  top->addWidget(key_, 1, 1);
  auto* number = new QHBoxLayout;
  number->addWidget(numberLabel);
  number->addWidget(number_);
  number->addWidget(new QLabel(QStringLiteral("of"), dialog));
  number->addWidget(count_);
  number->addStretch();
  top->addLayout(number, 1, 2, 1, 2);
  top->setColumnStretch(1, 1);
  top->setColumnStretch(3, 1);
  // Two rows: the list's own edits above, the file commands below.
  auto* buttons = new QGridLayout;
  int column = 0;
  for (QPushButton* b : {insert_, remove_, shiftLeft_, shiftRight_})
    if (b) buttons->addWidget(b, 0, column++);
  buttons->addWidget(import_, 1, 0, 1, column / 2);
  buttons->addWidget(export_, 1, column / 2, 1, column - column / 2);
  auto* layout = new QVBoxLayout(dialog);
  layout->addLayout(top);
  layout->addWidget(viewerLabel);
  layout->addWidget(viewer_, 1);
  layout->addLayout(buttons);
  layout->addWidget(size_);

  QObject::connect(combo_, &QComboBox::activated, dialog, [this](int) {
    // A change of property first applies the one shown.
    if (IsDirty()) {
      OnApply();
      ClearDirty();
    }
    SelectProperty();
  });
  QObject::connect(insert_, &QPushButton::clicked, dialog, [this] { InsertFiles(); });
  QObject::connect(remove_, &QPushButton::clicked, dialog, [this] { Remove(); });
  if (shiftButtons_) {
    QObject::connect(shiftLeft_, &QPushButton::clicked, dialog, [this] { Shift(-1); });
    QObject::connect(shiftRight_, &QPushButton::clicked, dialog, [this] { Shift(1); });
  }
  QObject::connect(import_, &QPushButton::clicked, dialog, [this] { Import(); });
  QObject::connect(export_, &QPushButton::clicked, dialog, [this] { Export(); });
  QObject::connect(key_, &QLineEdit::textEdited, dialog, [this] { MakeDirty(); });
  QObject::connect(key_, &QLineEdit::returnPressed, dialog, [this] { ValidateKey(KeyCheck::kEnter); });
  QObject::connect(key_, &QLineEdit::editingFinished, dialog, [this] {
    if (!key_->hasFocus()) ValidateKey(KeyCheck::kKillFocus);
  });
  QObject::connect(number_, &QLineEdit::editingFinished, dialog, [this] { OnNumberEdited(); });
  viewer_->onCurrentChanged = [this](int, int current) { OnCurrentChanged(current); };
  viewer_->onDelete = [this] { Remove(); };
}

void CQVImageListPropPage::DialogGone() {
  entries_.clear();
  records_.clear();
  selected_ = -1;
  combo_ = nullptr;
}

void CQVImageListPropPage::SetControlsEnabled(bool enabled) {
  if (!combo_) return;
  for (QWidget* w : std::initializer_list<QWidget*>{combo_, number_, insert_, remove_, import_, export_,
                                                    shiftLeft_, shiftRight_, viewer_, key_})
    if (w) w->setEnabled(enabled);
}

void CQVImageListPropPage::ShowNoObject() {
  urlLabel_->hide();
  combo_->clear();
  entries_.clear();
  viewer_->Clear();
  SetKeyText({});
  number_->setText(QStringLiteral("0"));
  count_->setText(QStringLiteral("0"));
}

void CQVImageListPropPage::ForgetObject() {
  if (combo_) {
    combo_->clear();
    viewer_->Clear();
  }
  entries_.clear();
  records_.clear();
  selected_ = -1;
  info_ = {};
  imageList_ = {};
}

void CQVImageListPropPage::LoadObject() {
  BuildRecords();
  for (const Record& r : records_) combo_->addItem(r.name);
  SelectProperty();
}

void CQVImageListPropPage::BuildRecords() {
  records_.clear();
  info_ = com::QueryAs<ctl::IListBarImageLists>(control_.get(), ctl::IID_IListBarImageLists);
  ULONG count = 0;
  if (!info_ || FAILED(info_->GetImageListCount(&count)) || count == 0) return;
  std::vector<DISPID> ids(std::min<ULONG>(count, 1024));
  ULONG written = 0;
  if (FAILED(info_->GetImageListIds(static_cast<ULONG>(ids.size()), ids.data(), &written))) return;
  ids.resize(std::min<size_t>(written, ids.size()));
  com::Ref<ITypeInfo> type;
  control_->GetTypeInfo(0, 0x400, type.Out());
  bool helpTaken = false;
  for (DISPID id : ids) {
    com::Variant value;
    if (FAILED(com::GetProperty(control_.get(), id, value))) continue;
    Record r;
    r.id = id;
    if (type) {
      BSTR name = nullptr;
      BSTR file = nullptr;
      if (SUCCEEDED(type->GetDocumentation(id, &name, nullptr, &r.helpContext, &file))) {
        r.name = com::ToQString(name).left(kMaxPropertyName);
        if (!helpTaken && file && *file) {
          helpFile_ = std::u16string_view(file).substr(0, 260);
          helpTaken = true;
        }
      }
      SysFreeString(name);
      SysFreeString(file);
    }
    VARIANT_BOOL fixed = VARIANT_FALSE;
    info_->GetFixedSize(id, &fixed);
    r.fixedSize = fixed != VARIANT_FALSE;
    if (r.fixedSize) {
      info_->GetImageWidth(id, &r.width);
      info_->GetImageHeight(id, &r.height);
    }
    info_->GetBackColor(id, &r.backColor);
    records_.push_back(r);
  }
}

CQVImageListPropPage::Record* CQVImageListPropPage::Selected() {
  return selected_ >= 0 && selected_ < static_cast<int>(records_.size()) ? &records_[static_cast<size_t>(selected_)]
                                                                         : nullptr;
}

bool CQVImageListPropPage::IsUrlProperty() const {
  return selected_ >= 0 && records_[static_cast<size_t>(selected_)].name.contains(QLatin1String("URL"));
}

void CQVImageListPropPage::SelectProperty() {
  if (combo_->count() == 0) return;
  if (combo_->currentIndex() < 0) combo_->setCurrentIndex(0);
  selected_ = combo_->currentIndex();
  Record& r = records_[static_cast<size_t>(selected_)];
  width_ = r.width;
  height_ = r.height;
  number_->setText(QStringLiteral("0"));
  SetKeyText({});
  entries_.clear();
  viewer_->Clear();
  viewer_->SetIconBackground(ui::ColorFromBgr(TranslateOleColor(r.backColor)).rgb());
  LoadImages();
  const bool any = !entries_.empty();
  if (any) viewer_->SetCurrent(0);
  for (QWidget* w : std::initializer_list<QWidget*>{remove_, export_, key_}) w->setEnabled(any);
  if (r.fixedSize || any) {
    if (!r.fixedSize) ComputeSizeFromFirst();
    ShowSizeLine();
  } else {
    size_->clear();
    size_->setEnabled(false);
  }
  if (shiftButtons_) {
    shiftLeft_->setEnabled(false);
    if (!any) shiftRight_->setEnabled(false);
  }
  saveFile_.clear();
}

void CQVImageListPropPage::LoadImages() {
  Record& r = records_[static_cast<size_t>(selected_)];
  imageList_ = {};
  if (IsUrlProperty()) {
    urlLabel_->show();
    ShowCount();
    const QString url = TextOf(Property(control_.get(), r.name));
    urlRemote_ = false;
    if (!url.isEmpty()) LoadStripFromUrl(url);
    url_->setText(url);
    urlShort_->setText(urlShort_->fontMetrics().elidedText(url, Qt::ElideMiddle, urlShort_->width()));
    urlShort_->setToolTip(url);
    ShowCount();
    return;
  }
  urlLabel_->hide();
  urlShort_->clear();
  url_->clear();
  com::Variant list = Property(control_.get(), r.name);
  imageList_ = com::Ref<IDispatch>(DispatchOf(list.Get()));
  com::Ref<IEnumVARIANT> items = EnumeratorOf(imageList_.get());
  if (!items) {
    ShowCount();
    return;
  }
  com::ForEachItem(items.get(), [&](const VARIANT& member) {
    IDispatch* image = DispatchOf(member);
    com::Variant picture = Property(image, QStringLiteral("Picture"));
    ImageEntry entry;
    if (!DispatchOf(picture.Get()) || !entry.picture.Attach(DispatchOf(picture.Get()))) return true;
    entry.key = Ansi(TextOf(Property(image, QStringLiteral("Key"))));
    viewer_->Insert(viewer_->Count(), entry.picture);
    entries_.push_back(std::move(entry));
    return true;
  });
  ShowCount();
}

void CQVImageListPropPage::LoadStripFromUrl(const QString& url) {
  // Only local paths and file:// addresses can be read here; any other address is
  // remote, and its strip cannot be had.
  urlRemote_ = !LocalPathOfAddress(url);
  QString local;
  std::vector<ImageEntry> loaded;
  if (FAILED(DownloadUrlToCacheFile(url, &local)) ||
      !LoadPngIntoImageList(local, CImageAddSink::Make(&loaded).get())) {
    Modal([&] { ShowLoadErrorBox(Ansi(url)); });
    return;
  }
  for (ImageEntry& e : loaded) {
    viewer_->Insert(viewer_->Count(), e.picture);
    entries_.push_back(std::move(e));
  }
}

void CQVImageListPropPage::ComputeSizeFromFirst() {
  Record* r = Selected();
  if (!r || r->fixedSize) return;
  const auto size = entries_.empty() ? std::nullopt : GetPictureSizePixels(entries_.front().picture.Get());
  width_ = r->width = size ? size->width() : -1;
  height_ = r->height = size ? size->height() : -1;
}

void CQVImageListPropPage::ShowSizeLine() {
  size_->setEnabled(true);
  size_->setText(PageTextFormat(2105, static_cast<int>(width_), static_cast<int>(height_),
                                static_cast<int>(width_), static_cast<int>(height_)));
}

void CQVImageListPropPage::ShowCount() { count_->setText(QString::number(entries_.size())); }

void CQVImageListPropPage::SetKeyText(const QString& text) { key_->setText(text); }

void CQVImageListPropPage::OnCurrentChanged(int current) {
  if (current < 0) return;
  number_->setText(QString::number(current + 1));
  if (shiftButtons_) {
    shiftLeft_->setEnabled(current > 0);
    shiftRight_->setEnabled(current + 1 < static_cast<int>(entries_.size()));
  }
  SetKeyText(Shown(entries_[static_cast<size_t>(current)].key));
}

void CQVImageListPropPage::OnNumberEdited() {
  if (entries_.empty()) return;
  const int n = std::clamp(number_->text().toInt(), 1, static_cast<int>(entries_.size()));
  viewer_->SetCurrent(n - 1);
}

void CQVImageListPropPage::InsertImage(const CPictureRef& picture, const CPageString& key) {
  const bool wasEmpty = entries_.empty();
  const int at = viewer_->Current() + 1;
  ImageEntry entry;
  entry.picture = picture;
  // A key another image has already is not taken.
  const bool taken = key.Text() && *key.Text() &&
                     std::any_of(entries_.begin(), entries_.end(), [&](const ImageEntry& e) {
                       return ComparePageText(e.key.Text(), key.Text()) == 0;
                     });
  entry.key = taken ? CPageString() : key;
  viewer_->Insert(at, entry.picture);
  entries_.insert(entries_.begin() + at, std::move(entry));
  viewer_->SetCurrent(at);
  if (wasEmpty) {
    for (QWidget* w : std::initializer_list<QWidget*>{remove_, export_, key_}) w->setEnabled(true);
    Record* r = Selected();
    if (r && !r->fixedSize) {
      ComputeSizeFromFirst();
      ShowSizeLine();
    }
  }
  ShowCount();
}

std::optional<QString> CQVImageListPropPage::AskFile(bool save, UINT title, UINT filter, const char* ext) {
  return ModalFor(Content(), [&] { return AskPageFile(save, title, filter, ext, Dialog()); }, true);
}

void CQVImageListPropPage::InsertFiles() {
  if (!Selected()) return;
  const auto paths = ModalFor(Content(), [&] { return AskPageFiles(2014, 2012, "bmp", Dialog()); }, true);
  if (!paths) return;
  // Each file in turn; one that cannot be read is reported and the rest still go in.
  for (const QString& path : *paths) {
    CPictureRef picture;
    if (FAILED(LoadPictureFile(path, picture))) {
      if (!ModalFor(Content(), [&] { ShowLoadErrorBox(Ansi(path)); })) return;
      continue;
    }
    InsertImage(picture, CPageString());
    MakeDirty();
  }
}

void CQVImageListPropPage::Import() {
  if (!Selected()) return;
  const auto name = AskFile(false, 2020, 2019, "png");
  if (!name) return;
  QString file = *name;
  if (IsUrlProperty() && FAILED(DownloadUrlToCacheFile(*name, &file))) {
    Modal([&] { ShowLoadErrorBox(Ansi(*name)); });
    return;
  }
  std::vector<ImageEntry> loaded;
  if (!LoadPngIntoImageList(file, CImageAddSink::Make(&loaded).get())) {
    Modal([&] { ShowLoadErrorBox(Ansi(*name)); });
    return;
  }
  for (const ImageEntry& e : loaded) InsertImage(e.picture, e.key);
  MakeDirty();
}

void CQVImageListPropPage::Remove() {
  const int at = viewer_->Current();
  if (at < 0 || at >= static_cast<int>(entries_.size())) return;
  entries_.erase(entries_.begin() + at);
  viewer_->Remove(at);
  SetKeyText({});
  ShowCount();
  Record* r = Selected();
  if (!entries_.empty()) {
    const bool wasLast = at >= static_cast<int>(entries_.size());
    if (wasLast) viewer_->ScrollToStart();
    viewer_->SetCurrent(wasLast ? static_cast<int>(entries_.size()) - 1 : at);
    if (viewer_->Current() == 0 && r && !r->fixedSize) {
      ComputeSizeFromFirst();
      ShowSizeLine();
    }
  } else {
    for (QWidget* w : std::initializer_list<QWidget*>{remove_, export_, key_}) w->setEnabled(false);
    number_->setText(QStringLiteral("0"));
    if (r && !r->fixedSize) {
      size_->clear();
      size_->setEnabled(false);
    }
    combo_->setFocus();
  }
  MakeDirty();
}

void CQVImageListPropPage::Shift(int by) {
  const int at = viewer_->Current();
  const int to = at + by;
  if (at < 0 || to < 0 || to >= static_cast<int>(entries_.size())) return;
  std::swap(entries_[static_cast<size_t>(at)], entries_[static_cast<size_t>(to)]);
  viewer_->Move(at, to);
  viewer_->SetCurrent(to);
  Record* r = Selected();
  if ((at == 0 || to == 0) && r && !r->fixedSize) {
    ComputeSizeFromFirst();
    ShowSizeLine();
  }
  MakeDirty();
}

bool CQVImageListPropPage::ValidateKey(KeyCheck mode) {
  // A check that starts while another shows its message fails silently.
  if (validating_) return false;
  const int n = viewer_->Current();
  if (n < 0 || n >= static_cast<int>(entries_.size())) return true;
  const CPageString key = Ansi(key_->text());
  UINT text = 0;
  UINT caption = 0;
  // Empty keys never clash: any number of images may have none.
  const bool duplicate = key.Length() > 0 && std::any_of(entries_.begin(), entries_.end(), [&](const ImageEntry& e) {
    return &e != &entries_[static_cast<size_t>(n)] && ComparePageText(e.key.Text(), key.Text()) == 0;
  });
  if (duplicate) {
    text = 2106;
    caption = 2107;
  } else if (KeyIsNumber(key)) {
    text = 2108;
    caption = 2109;
  }
  if (!text) {
    entries_[static_cast<size_t>(n)].key = key;
    return true;
  }
  validating_ = true;
  Modal([&] { ui::MsgBox(PageText(text), ui::vbOKOnly | ui::vbCritical, PageText(caption)); });
  validating_ = false;
  if (mode == KeyCheck::kEnter) SetKeyText({});
  if (key_) key_->setFocus();
  return false;
}

bool CQVImageListPropPage::WriteStrip(const QString& path) {
  Record* r = Selected();
  if (!r || entries_.empty() || width_ <= 0 || height_ <= 0) return false;
  const int count = static_cast<int>(entries_.size());
  QImage strip(static_cast<int>(width_), static_cast<int>(height_) * count, QImage::Format_RGB32);
  if (strip.isNull()) return false;
  strip.fill(ui::ColorFromBgr(TranslateOleColor(r->backColor)).rgb());
  std::vector<CPageString> keys;
  {
    QPainter painter(&strip);
    for (int i = 0; i < count; ++i) {
      DrawPictureArgs args;
      args.item = QRect(0, i * static_cast<int>(height_), static_cast<int>(width_), static_cast<int>(height_));
      args.dest = args.item;
      args.useDest = true;
      DrawPictureEx(painter, entries_[static_cast<size_t>(i)].picture.Get(), args);
      keys.push_back(entries_[static_cast<size_t>(i)].key.Text() ? entries_[static_cast<size_t>(i)].key
                                                                  : CPageString(""));
    }
  }
  return SaveDibAsPng(path, keys, strip, nullptr, 0);
}

void CQVImageListPropPage::Export() {
  const auto path = AskFile(true, 2021, 2019, "png");
  if (!path) return;
  if (saveFile_.isEmpty()) saveFile_ = *path;
  if (!WriteStrip(*path)) Modal([&] { ShowSaveErrorBox(*path); });
}

HRESULT CQVImageListPropPage::AddImagesToControl() {
  const QString name = records_[static_cast<size_t>(selected_)].name;
  auto batch = com::QueryAs<ctl::IListBarImageBatch>(imageList_.get(), ctl::IID_IListBarImageBatch);
  if (batch) batch->BeginUpdate();
  const DISPID clear = com::IdOfName(imageList_.get(), QStringLiteral("Clear"));
  com::CallMember(imageList_.get(), clear, DISPATCH_METHOD, {});
  const DISPID add = com::IdOfName(imageList_.get(), QStringLiteral("Add"));
  g_adding = true;
  for (size_t i = 0; i < entries_.size(); ++i) {
    // Cleared before the last image, so the browser pages see its change.
    if (i + 1 == entries_.size()) g_adding = false;
    const ImageEntry& e = entries_[i];
    const com::Variant args[] = {com::Variant::Missing(), com::Variant::Text(Shown(e.key)),
                                 com::Variant::Dispatch(e.picture.GetPictureDisp().get())};
    EXCEPINFO* excep = FreshExceptionInfo();
    if (FAILED(com::CallMember(imageList_.get(), add, DISPATCH_METHOD, args, nullptr, excep)) &&
        !ModalFor(Content(), [&] {
          ui::MsgBox(WriteFailureText(name), ui::vbOKOnly | ui::vbCritical, PageText(kStrErrorSettingProperty));
        }))
      break;
  }
  // Also when there was no image to add.
  g_adding = false;
  if (batch) batch->EndUpdate();
  return S_OK;
}

HRESULT CQVImageListPropPage::OnApply() {
  if (!combo_ || !Selected()) return S_OK;
  const int n = viewer_->Current();
  if (n >= 0 && Shown(entries_[static_cast<size_t>(n)].key) != key_->text() && !ValidateKey(KeyCheck::kApply))
    return E_FAIL;
  if (!IsDirty()) return S_OK;
  applying_ = true;
  HRESULT hr = S_OK;
  if (!IsUrlProperty()) {
    hr = imageList_ ? AddImagesToControl() : E_FAIL;
  } else {
    QString path;
    if (!urlRemote_ && !url_->text().isEmpty()) path = LocalPathOfAddress(url_->text()).value_or(QString());
    if (path.isEmpty()) {
      if (saveFile_.isEmpty()) {
        if (auto chosen = AskFile(true, 2021, 2019, "png")) saveFile_ = *chosen;
      }
      path = saveFile_;
    }
    if (path.isEmpty()) {
      hr = E_FAIL;
    } else if (!WriteStrip(path)) {
      Modal([&] { ShowSaveErrorBox(path); });
      hr = E_FAIL;
    }
  }
  applying_ = false;
  return hr;
}

HRESULT CQVImageListPropPage::OnPropertyChanged(DISPID id) {
  if (!applying_ && combo_ && Selected() && Selected()->id == id) SelectProperty();
  return S_OK;
}

}  // namespace qvp
