#pragma once
// The Animation Builder page: edits the control's animated pictures. An animated
// picture is a picture property whose name begins with "Picture" and whose frames lie
// side by side in one bitmap; its companion whole-number property, named like it
// followed by "Frames", holds the number of frames. The page splits the picture into
// frames, lets the user insert, remove and reorder them, imports all frames from a
// segmented bitmap and exports the picture as one; every change rebuilds the composite
// at once, and Apply writes the picture and its frame count to the control.

#include <QDialog>
#include <QString>
#include <optional>
#include <vector>

#include "platform/com/Dispatch.h"
#include "proppages/ControlPage.h"
#include "proppages/PageSupport.h"
#include "proppages/PictureRef.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qvp {

class PictureViewer;

class CQVCustPictPropPage final : public CQVControlPage {
 public:
  explicit CQVCustPictPropPage(IUnknown* outer) : CQVControlPage(outer, 2) {}
  static HRESULT Create(IUnknown* outer, REFIID iid, void** out) {
    return CreatePage<CQVCustPictPropPage>(outer, iid, out);
  }

  HRESULT OnHelp(LPCOLESTR helpDir) override;
  HRESULT OnPropertyChanged(DISPID id) override;

  // One animated picture property.
  struct Row {
    QString name;
    QString description;
    DWORD helpContext = 0;
    DISPID id = DISPID_UNKNOWN;
    DISPID framesId = DISPID_UNKNOWN;
    CPictureRef picture;  // the composite of all frames
    SHORT type = PICTYPE_NONE;
    SHORT frames = 0;
    OLE_HANDLE controlBitmap = 0;  // the bitmap as read from the control
    bool modified = false;
  };
  const std::vector<Row>& Rows() const { return rows_; }
  const CPageString& HelpFile() const { return helpFile_; }

 protected:
  void BuildDialog(QWidget* dialog) override;
  HRESULT OnApply() override;
  void SetControlsEnabled(bool enabled) override;
  void ForgetObject() override;
  bool NothingLoaded() const override { return rows_.empty(); }
  void LoadObject() override;
  void DialogGone() override;

 private:
  void FindRows();
  void FindRowsIn(ITypeInfo* type, int depth);
  void ConsiderMember(ITypeInfo* type, MEMBERID id, const TYPEDESC& desc);
  void ReadPicture(Row& row);
  Row* Selected();
  void SelectProperty();
  void Split();
  void RebuildComposite();
  void FrameCountChanged();
  void ShowFrameSize();
  void InsertFrame(const CPictureRef& frame, int at);
  void InsertFrames();
  void ImportFrames();
  void Export();
  void Remove();
  void Shift(int by);
  void OnCurrentChanged(int current);
  void OnNumberEdited();
  std::optional<QString> AskFile(bool save, UINT title, UINT filter);

  std::vector<Row> rows_;
  int selected_ = -1;
  CPageString helpFile_;

  QComboBox* combo_ = nullptr;
  PictureViewer* viewer_ = nullptr;
  QLineEdit* number_ = nullptr;
  QLabel* count_ = nullptr;
  QPushButton* insert_ = nullptr;
  QPushButton* remove_ = nullptr;
  QPushButton* shiftLeft_ = nullptr;
  QPushButton* shiftRight_ = nullptr;
  QPushButton* import_ = nullptr;
  QPushButton* export_ = nullptr;
  QLabel* size_ = nullptr;
};

// The "Frame Count" dialog of a segmented bitmap import: the file's name and an edit
// for the number of frames. OK takes a whole number of at least 1, else it says so and
// stays open.
class FrameCountDialog final : public QDialog {
 public:
  FrameCountDialog(const QString& fileName, QWidget* parent);
  int Count() const { return count_; }

 private:
  void Confirm();

  QLineEdit* edit_ = nullptr;
  int count_ = 0;
};

// The number of frames asked for the file, or nothing after Cancel.
std::optional<int> AskFrameCount(const QString& path, QWidget* owner);

}  // namespace qvp
