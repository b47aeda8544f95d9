#pragma once
// The Images page: edits the pictures and keys of the control's image-list
// properties. The user picks a property, sees its images in the viewer, inserts
// picture files, removes and (first variant) reorders images, edits keys, imports and
// exports the list as a PNG image strip, and applies the list back to the control.
// A property whose name contains "URL" holds the address of a strip instead; its
// images are loaded from that address and saving writes a PNG file.
//
// Two variants share all of it; the second has no shift buttons.

#include <QComboBox>
#include <QString>
#include <vector>

#include "platform/com/Dispatch.h"
#include "platform/com/ListBarInterfaces.h"
#include "proppages/ControlPage.h"
#include "proppages/PageSupport.h"
#include "proppages/PictureRef.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace qvp {

class PictureViewer;

// Set while the Images page adds its images to a control, for the browser pages,
// which ignore property changes meanwhile.
bool ImageListAdding();

class CQVImageListPropPage : public CQVControlPage {
 public:
  explicit CQVImageListPropPage(IUnknown* outer) : CQVImageListPropPage(outer, 4, true) {}
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    return CreatePage<CQVImageListPropPage>(outer, iid, out);
  }

  HRESULT OnPropertyChanged(DISPID id) override;

  // One image-list property as the control describes it.
  struct Record {
    QString name;
    DISPID id = DISPID_UNKNOWN;
    bool fixedSize = false;
    LONG width = -1;
    LONG height = -1;
    OLE_COLOR backColor = 0;
    DWORD helpContext = 0;
  };
  const std::vector<Record>& Records() const { return records_; }
  // The images of the selected property, in viewer order.
  const std::vector<ImageEntry>& Entries() const { return entries_; }
  const CPageString& HelpFile() const { return helpFile_; }

 protected:
  CQVImageListPropPage(IUnknown* outer, int index, bool shiftButtons)
      : CQVControlPage(outer, index), shiftButtons_(shiftButtons) {}

  void BuildDialog(QWidget* dialog) override;
  HRESULT OnApply() override;
  void SetControlsEnabled(bool enabled) override;
  void ShowNoObject() override;
  void ForgetObject() override;
  bool NothingLoaded() const override { return combo_ && combo_->count() == 0; }
  void LoadObject() override;
  void DialogGone() override;

 private:
  enum class KeyCheck { kEnter, kKillFocus, kApply };

  void BuildRecords();
  void SelectProperty();
  void LoadImages();
  void LoadStripFromUrl(const QString& url);
  bool IsUrlProperty() const;
  Record* Selected();
  void ComputeSizeFromFirst();
  void ShowSizeLine();
  void ShowCount();
  void SetKeyText(const QString& text);
  void InsertImage(const CPictureRef& picture, const CPageString& key);
  void InsertFiles();
  void Import();
  void Export();
  void Remove();
  void Shift(int by);
  void OnCurrentChanged(int current);
  void OnNumberEdited();
  bool ValidateKey(KeyCheck mode);
  bool WriteStrip(const QString& path);
  HRESULT AddImagesToControl();
  std::optional<QString> AskFile(bool save, UINT title, UINT filter, const char* ext);

  const bool shiftButtons_;
  com::Ref<ctl::IListBarImageLists> info_;
  std::vector<Record> records_;
  int selected_ = -1;
  com::Ref<IDispatch> imageList_;
  std::vector<ImageEntry> entries_;
  LONG width_ = -1;
  LONG height_ = -1;
  bool urlRemote_ = false;
  QString saveFile_;  // the remembered save file; empty for none
  CPageString helpFile_;
  bool validating_ = false;

  QComboBox* combo_ = nullptr;
  QLineEdit* key_ = nullptr;
  QLabel* urlLabel_ = nullptr;
  QLabel* urlShort_ = nullptr;
  QLineEdit* url_ = nullptr;
  QLineEdit* number_ = nullptr;
  QLabel* count_ = nullptr;
  PictureViewer* viewer_ = nullptr;
  QPushButton* insert_ = nullptr;
  QPushButton* remove_ = nullptr;
  QPushButton* shiftLeft_ = nullptr;
  QPushButton* shiftRight_ = nullptr;
  QPushButton* import_ = nullptr;
  QPushButton* export_ = nullptr;
  QLabel* size_ = nullptr;
};

class CQVImageListPropPage2 final : public CQVImageListPropPage {
 public:
  explicit CQVImageListPropPage2(IUnknown* outer) : CQVImageListPropPage(outer, 8, false) {}
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    return CreatePage<CQVImageListPropPage2>(outer, iid, out);
  }
};

}  // namespace qvp
