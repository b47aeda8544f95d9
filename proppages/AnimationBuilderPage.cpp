#include "proppages/AnimationBuilderPage.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/com/Memory.h"
#include "platform/com/TypeInfo.h"
#include "platform/runtime/Codepage.h"
#include "platform/ui/ButtonRow.h"
#include "platform/ui/Colors.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/Prompt.h"
#include "proppages/PageStrings.h"
#include "proppages/PictureViewer.h"

namespace qvp {

namespace {

constexpr DISPID kDispidHidden = -515;
// Deepest chain of implemented interfaces walked.
constexpr int kMaxTypeDepth = 16;

CPageString Ansi(const QString& text) { return CPageString(rt::ToCp1252(text).c_str()); }

QString DocName(ITypeInfo* type, MEMBERID id) {
  BSTR name = nullptr;
  QString text;
  if (SUCCEEDED(type->GetDocumentation(id, &name, nullptr, nullptr, nullptr))) text = com::ToQString(name);
  SysFreeString(name);
  return text;
}

// Whether the type (through pointer levels) is the picture type of automation.
bool IsPictureType(ITypeInfo* type, const TYPEDESC& desc) {
  const TYPEDESC* t = &desc;
  for (int level = 0; t && t->vt == VT_PTR && level < 8; ++level) t = t->lptdesc;
  if (!t || t->vt != VT_USERDEFINED) return false;
  com::Ref<ITypeInfo> ref;
  if (FAILED(type->GetRefTypeInfo(t->hreftype, ref.Out())) || !ref) return false;
  TYPEATTR* attr = nullptr;
  if (FAILED(ref->GetTypeAttr(&attr)) || !attr) return false;
  const bool isEnum = attr->typekind == TKIND_ENUM;
  ref->ReleaseTypeAttr(attr);
  const QString name = DocName(ref.get(), MEMBERID_NIL);
  return !isEnum && (name == QLatin1String("IPictureDisp") || name == QLatin1String("Picture"));
}

SHORT ShortOf(const VARIANT& value) {
  com::Variant v;
  if (FAILED(VariantChangeType(v.Ptr(), &value, 0, VT_I2))) return 0;
  return v.Get().iVal;
}

IDispatch* DispatchOf(const VARIANT& v) { return v.vt == VT_DISPATCH ? v.pdispVal : nullptr; }

// The picture's pixels at its own size; non-bitmaps drawn on the button face.
QImage FrameImage(const CPictureRef& frame) {
  if (frame.GetType() == PICTYPE_BITMAP) return PictureImage(frame.Get());
  return PictureToBitmap(frame.Get(), kOleButtonFace);
}

void ShowError(UINT text, UINT caption) {
  ui::MsgBox(PageText(text), ui::vbOKOnly | ui::vbCritical, caption ? PageText(caption) : LibraryTitle());
}

}  // namespace

FrameCountDialog::FrameCountDialog(const QString& fileName, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("126"));
  setWindowTitle(QStringLiteral("Frame Count"));
  auto* name = new QLabel(fileName, this);
  name->setObjectName(QStringLiteral("1024"));
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("1019"));
  auto* ok = ui::NamedButton(QStringLiteral("OK"), QStringLiteral("1"), this);
  ok->setDefault(true);
  auto* cancel = ui::NamedButton(QStringLiteral("Cancel"), QStringLiteral("2"), this);
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Filename:"), this), 0, 0);
  layout->addWidget(name, 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("Enter the number of frames in file:"), this), 1, 0);
  layout->addWidget(edit_, 1, 1);
  layout->addLayout(ui::ButtonRow({}, {ok, cancel}), 2, 0, 1, 2);
  connect(ok, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FrameCountDialog::Confirm() {
  bool number = false;
  const int count = edit_->text().trimmed().toInt(&number);
  if (!number || count < 1) {
    ui::MsgBox(PageText(2113), ui::vbOKOnly | ui::vbCritical, PageText(2112));
    return;
  }
  count_ = count;
  accept();
}

std::optional<int> AskFrameCount(const QString& path, QWidget* owner) {
  FrameCountDialog dialog(QFileInfo(path).fileName(), owner);
  if (ui::RunModal(dialog, owner) != QDialog::Accepted) return std::nullopt;
  return dialog.Count();
}

HRESULT CQVCustPictPropPage::OnHelp(LPCOLESTR) {
  const Row* row = selected_ >= 0 ? &rows_[static_cast<size_t>(selected_)] : nullptr;
  return ShowTopic(row ? row->helpContext : 0);
}

void CQVCustPictPropPage::BuildDialog(QWidget* dialog) {
  combo_ = new QComboBox(dialog);
  combo_->setObjectName(QStringLiteral("1003"));
  viewer_ = new PictureViewer(dialog);
  number_ = new QLineEdit(QStringLiteral("0"), dialog);
  number_->setObjectName(QStringLiteral("1004"));
  number_->setValidator(new QIntValidator(-99999, 99999, number_));
  number_->setMaximumWidth(48);
  count_ = new QLabel(QStringLiteral("0"), dialog);
  count_->setObjectName(QStringLiteral("1022"));
  insert_ = ui::NamedButton(QStringLiteral("&Insert Frame..."), QStringLiteral("1006"), dialog);
  remove_ = ui::NamedButton(QStringLiteral("&Remove Frame"), QStringLiteral("1007"), dialog);
  shiftLeft_ = ui::NamedButton(QStringLiteral("Shift Frame &Left"), QStringLiteral("1016"), dialog);
  shiftRight_ = ui::NamedButton(QStringLiteral("Shift Frame Ri&ght"), QStringLiteral("1017"), dialog);
  import_ = ui::NamedButton(QStringLiteral("I&mport Frames From Segmented Bitmap..."), QStringLiteral("1014"),
                            dialog);
  export_ = ui::NamedButton(QStringLiteral("&Export Frames as Segmented Bitmap..."), QStringLiteral("1015"),
                            dialog);
  size_ = new QLabel(dialog);
  size_->setObjectName(QStringLiteral("1023"));
  size_->setAlignment(Qt::AlignCenter);

  auto* nameLabel = new QLabel(QStringLiteral("&Property Name:"), dialog);
  nameLabel->setBuddy(combo_);
  auto* viewerLabel = new QLabel(QStringLiteral("Frame &Viewer:"), dialog);
  viewerLabel->setBuddy(viewer_);
  auto* frameLabel = new QLabel(QStringLiteral("&Frame"), dialog);
  frameLabel->setBuddy(number_);

  auto* top = new QHBoxLayout;
  top->addWidget(nameLabel);
  top->addWidget(combo_, 1);
  top->addWidget(frameLabel);
  top->addWidget(number_);
  top->addWidget(new QLabel(QStringLiteral("of"), dialog));
  top->addWidget(count_);
  auto* buttons = new QGridLayout;
  buttons->addWidget(insert_, 0, 0);
  buttons->addWidget(remove_, 0, 1);
  buttons->addWidget(shiftLeft_, 0, 2);
  buttons->addWidget(shiftRight_, 0, 3);
  // The two long captions each take a whole row.
  buttons->addWidget(import_, 1, 0, 1, 4);
  buttons->addWidget(export_, 2, 0, 1, 4);
  auto* layout = new QVBoxLayout(dialog);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);
  buttons->setSpacing(4);
  layout->addLayout(top);
  layout->addWidget(new QLabel(QStringLiteral("(Note: only picture properties that support animation are listed)"),
                               dialog));
  layout->addWidget(viewerLabel);
  layout->addWidget(viewer_, 1);
  layout->addLayout(buttons);
  layout->addWidget(size_);

  QObject::connect(combo_, &QComboBox::activated, dialog, [this](int) {
    if (!ApplyPending()) return;
    SelectProperty();
  });
  QObject::connect(insert_, &QPushButton::clicked, dialog, [this] { InsertFrames(); });
  QObject::connect(remove_, &QPushButton::clicked, dialog, [this] { Remove(); });
  QObject::connect(shiftLeft_, &QPushButton::clicked, dialog, [this] { Shift(-1); });
  QObject::connect(shiftRight_, &QPushButton::clicked, dialog, [this] { Shift(1); });
  QObject::connect(import_, &QPushButton::clicked, dialog, [this] { ImportFrames(); });
  QObject::connect(export_, &QPushButton::clicked, dialog, [this] { Export(); });
  QObject::connect(number_, &QLineEdit::editingFinished, dialog, [this] { OnNumberEdited(); });
  viewer_->onCurrentChanged = [this](int, int current) { OnCurrentChanged(current); };
  viewer_->onDelete = [this] { Remove(); };
}

void CQVCustPictPropPage::DialogGone() {
  rows_.clear();
  selected_ = -1;
  combo_ = nullptr;
}

void CQVCustPictPropPage::SetControlsEnabled(bool enabled) {
  if (!combo_) return;
  for (QWidget* w : std::initializer_list<QWidget*>{combo_, number_, insert_, remove_, import_, export_,
                                                    shiftLeft_, shiftRight_})
    w->setEnabled(enabled);
}

void CQVCustPictPropPage::ForgetObject() {
  if (combo_) {
    combo_->clear();
    viewer_->Clear();
  }
  rows_.clear();
  selected_ = -1;
}

void CQVCustPictPropPage::LoadObject() {
  FindRows();
  combo_->clear();
  for (const Row& r : rows_) combo_->addItem(r.name);
  combo_->model()->sort(0);
  SelectProperty();
}

void CQVCustPictPropPage::FindRows() {
  rows_.clear();
  com::Ref<ITypeInfo> type;
  if (FAILED(control_->GetTypeInfo(0, 0x400, type.Out())) || !type) return;
  FindRowsIn(type.get(), 0);
}

void CQVCustPictPropPage::FindRowsIn(ITypeInfo* type, int depth) {
  TYPEATTR* attr = nullptr;
  if (depth > kMaxTypeDepth || FAILED(type->GetTypeAttr(&attr)) || !attr) return;
  const TYPEATTR a = *attr;
  type->ReleaseTypeAttr(attr);
  for (UINT i = 0; i < a.cImplTypes; ++i) {
    HREFTYPE ref = 0;
    com::Ref<ITypeInfo> base;
    if (FAILED(type->GetRefTypeOfImplType(i, &ref)) || FAILED(type->GetRefTypeInfo(ref, base.Out())) || !base)
      continue;
    const QString name = DocName(base.get(), MEMBERID_NIL);
    if (name != QLatin1String("IDispatch") && name != QLatin1String("IUnknown")) FindRowsIn(base.get(), depth + 1);
  }
  for (UINT i = 0; i < a.cVars; ++i) {
    VARDESC* var = nullptr;
    if (FAILED(type->GetVarDesc(i, &var)) || !var) continue;
    if (var->varkind != VAR_CONST && !(var->wVarFlags & VARFLAG_FHIDDEN))
      ConsiderMember(type, var->memid, var->elemdescVar.tdesc);
    type->ReleaseVarDesc(var);
  }
  for (UINT i = 0; i < a.cFuncs; ++i) {
    FUNCDESC* func = nullptr;
    if (FAILED(type->GetFuncDesc(i, &func)) || !func) continue;
    // Methods are never called to read a value.
    const bool kept = func->invkind == INVOKE_PROPERTYGET && !(func->wFuncFlags & FUNCFLAG_FHIDDEN) &&
                      func->memid != kDispidHidden;
    if (kept) {
      // A vtable property get returns HRESULT and hands its value out through its one
      // parameter; a dispatch one returns the value itself.
      if (func->elemdescFunc.tdesc.vt == VT_HRESULT) {
        if (func->cParams == 1) ConsiderMember(type, func->memid, func->lprgelemdescParam[0].tdesc);
      } else if (func->cParams == 0) {
        ConsiderMember(type, func->memid, func->elemdescFunc.tdesc);
      }
    }
    type->ReleaseFuncDesc(func);
  }
}

void CQVCustPictPropPage::ConsiderMember(ITypeInfo* type, MEMBERID id, const TYPEDESC& desc) {
  // The type first: only a picture property is asked for its value.
  com::Variant value;
  if (!IsPictureType(type, desc) || FAILED(com::GetProperty(control_.get(), id, value))) return;
  Row row;
  row.id = id;
  BSTR name = nullptr;
  BSTR doc = nullptr;
  BSTR file = nullptr;
  if (SUCCEEDED(type->GetDocumentation(id, &name, &doc, &row.helpContext, &file))) {
    row.name = com::ToQString(name).left(128);
    row.description = com::ToQString(doc).left(256);
  }
  const bool firstHelp = file && *file && !helpFile_.Text();
  if (firstHelp) helpFile_ = std::u16string_view(file).substr(0, 260);
  SysFreeString(name);
  SysFreeString(doc);
  SysFreeString(file);
  if (!row.name.startsWith(QLatin1String("Picture"))) return;
  row.framesId = com::IdOfName(control_.get(), row.name + QLatin1String("Frames"));
  com::Variant frames;
  if (row.framesId == DISPID_UNKNOWN || FAILED(com::GetProperty(control_.get(), row.framesId, frames))) return;
  row.frames = ShortOf(frames.Get());
  ReadPicture(row);
  rows_.push_back(std::move(row));
}

void CQVCustPictPropPage::ReadPicture(Row& row) {
  com::Variant value;
  row.picture.Release();
  row.controlBitmap = 0;
  if (SUCCEEDED(com::GetProperty(control_.get(), row.id, value)) && DispatchOf(value.Get()))
    row.picture.Attach(DispatchOf(value.Get()));
  row.type = row.picture ? row.picture.GetType() : PICTYPE_NONE;
  if (row.type == PICTYPE_BITMAP) row.picture.Get()->get_Handle(&row.controlBitmap);
}

CQVCustPictPropPage::Row* CQVCustPictPropPage::Selected() {
  return selected_ >= 0 && selected_ < static_cast<int>(rows_.size()) ? &rows_[static_cast<size_t>(selected_)]
                                                                     : nullptr;
}

void CQVCustPictPropPage::SelectProperty() {
  if (!combo_) return;
  viewer_->Clear();
  if (combo_->count() && combo_->currentIndex() < 0) combo_->setCurrentIndex(0);
  selected_ = -1;
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].name == combo_->currentText()) selected_ = static_cast<int>(i);
  Row* row = Selected();
  number_->setText(QStringLiteral("0"));
  count_->setText(QString::number(row ? row->frames : 0));
  if (row) Split();
  const bool split = viewer_->Count() > 0;
  remove_->setEnabled(split);
  export_->setEnabled(split);
  ShowFrameSize();
  shiftLeft_->setEnabled(false);
  if (!split) shiftRight_->setEnabled(false);
  if (row && !split && row->frames != 0) {
    // Frames the picture does not have (none, or more than its width) are dropped.
    row->frames = 0;
    count_->setText(QStringLiteral("0"));
    row->modified = true;
    MakeDirty();
  }
  if (split) viewer_->SetCurrent(0);
}

void CQVCustPictPropPage::Split() {
  Row& row = *Selected();
  if (row.type <= PICTYPE_NONE || !row.picture || row.frames <= 0) return;
  if (row.type == PICTYPE_BITMAP) {
    for (const QImage& frame : SplitFrames(PictureImage(row.picture.Get()), row.frames)) {
      CPictureRef holder;
      if (holder.CreateFromBitmap(frame)) viewer_->Insert(viewer_->Count(), holder);
    }
    return;
  }
  // A metafile, enhanced metafile or icon is one frame: the picture itself.
  viewer_->Insert(0, row.picture);
}

void CQVCustPictPropPage::RebuildComposite() {
  Row* row = Selected();
  if (!row || viewer_->Count() == 0) return;
  if (viewer_->Count() == 1) {
    row->picture = viewer_->Item(0);
    row->type = row->picture.GetType();
    return;
  }
  std::vector<QImage> frames;
  for (int i = 0; i < viewer_->Count(); ++i) frames.push_back(FrameImage(viewer_->Item(i)));
  const QImage composite = JoinFrames(frames, ui::ColorFromBgr(TranslateOleColor(kOleButtonFace)).rgb());
  CPictureRef picture;
  if (composite.isNull() || !picture.CreateFromBitmap(composite)) return;
  row->picture = picture;
  row->type = PICTYPE_BITMAP;
}

void CQVCustPictPropPage::FrameCountChanged() {
  Row* row = Selected();
  row->frames = static_cast<SHORT>(viewer_->Count());
  count_->setText(QString::number(row->frames));
  row->modified = true;
  MakeDirty();
}

void CQVCustPictPropPage::ShowFrameSize() {
  const Row* row = Selected();
  const auto size = row && row->frames > 0 ? GetPictureSizePixels(row->picture.Get()) : std::nullopt;
  const int w = size ? size->width() / row->frames : 0;
  const int h = size ? size->height() : 0;
  size_->setText(PageTextFormat(2097, w, h));
}

void CQVCustPictPropPage::OnCurrentChanged(int current) {
  if (current < 0) return;
  number_->setText(QString::number(current + 1));
  shiftLeft_->setEnabled(current > 0);
  shiftRight_->setEnabled(current + 1 < viewer_->Count());
}

void CQVCustPictPropPage::OnNumberEdited() {
  const int n = number_->text().toInt();
  if (n <= 0) {
    viewer_->SetCurrent(-1);
    return;
  }
  viewer_->SetCurrent(std::min(n, viewer_->Count()) - 1);
}

std::optional<QString> CQVCustPictPropPage::AskFile(bool save, UINT title, UINT filter) {
  return ModalFor(Content(), [&] { return AskPageFile(save, title, filter, "bmp", Dialog()); }, true);
}

void CQVCustPictPropPage::InsertFrame(const CPictureRef& frame, int at) {
  Row* row = Selected();
  const bool wasEmpty = viewer_->Count() == 0;
  viewer_->Insert(at, frame);
  if (wasEmpty) {
    row->type = frame.GetType();
    remove_->setEnabled(true);
    export_->setEnabled(true);
  }
}

void CQVCustPictPropPage::InsertFrames() {
  if (!Selected()) return;
  const auto paths = ModalFor(Content(), [&] { return AskPageFiles(2014, 2012, "bmp", Dialog()); }, true);
  if (!paths) return;
  bool inserted = false;
  // Each file in turn; one that cannot be read is reported and the rest still go in.
  for (const QString& path : *paths) {
    com::Ref<IStream> stream;
    com::Ref<IPicture> loaded;
    if (FAILED(LoadFileToStream(path, stream.Out())) ||
        FAILED(OleLoadPicture(stream.get(), 0, FALSE, IID_IPicture, loaded.OutVoid())) || !loaded) {
      if (!ModalFor(Content(), [&] { ShowLoadErrorBox(Ansi(path)); })) return;
      continue;
    }
    const int at = viewer_->Current() + 1;
    InsertFrame(CPictureRef(loaded.get()), at);
    viewer_->SetCurrent(at);
    FrameCountChanged();
    inserted = true;
  }
  if (!inserted) return;
  RebuildComposite();
  ShowFrameSize();
}

void CQVCustPictPropPage::ImportFrames() {
  if (!Selected()) return;
  const auto path = AskFile(false, 2015, 2017);
  if (!path) return;
  const auto count = ModalFor(Content(), [&] { return AskFrameCount(*path, Dialog()); });
  if (!count) return;
  com::Ref<IStream> stream;
  com::Ref<IPicture> picture;
  if (FAILED(LoadFileToStream(*path, stream.Out())) ||
      FAILED(OleLoadPicture(stream.get(), 0, FALSE, IID_IPicture, picture.OutVoid())) || !picture) {
    Modal([&] { ShowLoadErrorBox(Ansi(*path)); });
    return;
  }
  if (PictureType(picture.get()) != PICTYPE_BITMAP) {
    Modal([] { ShowError(2018, 0); });
    return;
  }
  std::vector<QImage> frames;
  switch (ImportSegmentedBitmap(PictureImage(picture.get()), *count, &frames)) {
    case SegmentedImport::kOk:
      break;
    case SegmentedImport::kTooManyFrames:
    case SegmentedImport::kBadCount:
      Modal([] { ShowError(2111, 0); });
      return;
    case SegmentedImport::kUnreadable:
      Modal([&] { ShowLoadErrorBox(Ansi(*path)); });
      return;
  }
  const int first = viewer_->Current() + 1;
  int at = first;
  for (const QImage& frame : frames) {
    CPictureRef holder;
    if (!holder.CreateFromBitmap(frame)) continue;
    InsertFrame(holder, at++);
  }
  Selected()->type = PICTYPE_BITMAP;
  viewer_->SetCurrent(first);
  FrameCountChanged();
  RebuildComposite();
  ShowFrameSize();
}

void CQVCustPictPropPage::Export() {
  Row* row = Selected();
  if (!row) return;
  const auto path = AskFile(true, 2016, 2012);
  if (!path || row->type != PICTYPE_BITMAP) return;
  if (ExportSegmentedBitmap(PictureImage(row->picture.Get()), nullptr, *path) != DibWriteResult::kWritten)
    Modal([&] { ShowSaveErrorBox(*path); });
}

void CQVCustPictPropPage::Remove() {
  Row* row = Selected();
  const int at = viewer_->Current();
  if (!row || at < 0) return;
  viewer_->Remove(at);
  FrameCountChanged();
  if (viewer_->Count() > 0) {
    RebuildComposite();
    const bool wasLast = at >= viewer_->Count();
    if (wasLast) viewer_->ScrollToStart();
    viewer_->SetCurrent(wasLast ? viewer_->Count() - 1 : at);
  } else {
    remove_->setEnabled(false);
    export_->setEnabled(false);
    row->picture.CreateEmpty();
    row->type = PICTYPE_NONE;
    number_->setText(QStringLiteral("0"));
    combo_->setFocus();
  }
  ShowFrameSize();
}

void CQVCustPictPropPage::Shift(int by) {
  const int at = viewer_->Current();
  const int to = at + by;
  if (!Selected() || at < 0 || to < 0 || to >= viewer_->Count()) return;
  viewer_->Move(at, to);
  viewer_->SetCurrent(to);
  RebuildComposite();
  Selected()->modified = true;
  MakeDirty();
  ShowFrameSize();
}

HRESULT CQVCustPictPropPage::OnApply() {
  if (!control_) return S_OK;
  applying_ = true;
  bool failed = false;
  // A failed write's box; false when the page let go of its rows meanwhile.
  const auto report = [&](const QString& text) {
    failed = true;
    return ModalFor(Content(), [&] {
      ui::MsgBox(text, ui::vbOKOnly | ui::vbCritical, PageText(kStrErrorSettingProperty));
    });
  };
  for (Row& row : rows_) {
    if (!row.modified) continue;
    row.modified = false;
    com::Ref<IPictureDisp> value = row.picture.GetPictureDisp();
    if (!value) {
      if (!report(QStringLiteral("%1 : %2.").arg(row.name, PageText(1010)))) break;
      ReadPicture(row);
      continue;
    }
    const com::Variant picture = com::Variant::Dispatch(value.get());
    EXCEPINFO* excep = FreshExceptionInfo();
    HRESULT hr = com::CallMember(control_.get(), row.id, DISPATCH_PROPERTYPUT, {&picture, 1}, nullptr, excep);
    if (SUCCEEDED(hr)) {
      const com::Variant frames = com::Variant::I2(row.frames);
      excep = FreshExceptionInfo();
      hr = com::CallMember(control_.get(), row.framesId, DISPATCH_PROPERTYPUT, {&frames, 1}, nullptr, excep);
    }
    if (FAILED(hr)) {
      if (!report(WriteFailureText(row.name))) break;
      ReadPicture(row);
      continue;
    }
    if (row.type == PICTYPE_BITMAP) row.picture.Get()->get_Handle(&row.controlBitmap);
  }
  applying_ = false;
  if (failed && Dialog()) Dialog()->update();
  return S_OK;
}

HRESULT CQVCustPictPropPage::OnPropertyChanged(DISPID id) {
  for (size_t i = 0; i < rows_.size(); ++i) {
    Row& row = rows_[i];
    if (row.id != id && row.framesId != id) continue;
    if (row.id == id) {
      ReadPicture(row);
    } else if (!applying_) {
      com::Variant frames;
      if (SUCCEEDED(com::GetProperty(control_.get(), id, frames))) row.frames = ShortOf(frames.Get());
    }
    if (static_cast<int>(i) == selected_ && combo_) SelectProperty();
    break;
  }
  return S_OK;
}

}  // namespace qvp
