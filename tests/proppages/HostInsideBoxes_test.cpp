// A host calling a page from inside each box and dialog the page shows, as form
// designers do when the selection changes: SetObjects with no object or with another
// control, Apply, Deactivate or the last Release; the box is then answered either way.
// The page's code goes on only with what outlived the box: under AddressSanitizer any
// use of a freed row, list entry or page state ends the run.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFontDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <functional>
#include <string>
#include <utility>

#include "platform/com/Font.h"
#include "platform/ui/testing/FakeFileDialogs.h"
#include "platform/ui/testing/TestPrompts.h"
#include "proppages/PageHelp.h"
#include "proppages/PropertyList.h"
#include "tests/proppages/PageHost.h"
#include "tests/proppages/PageTestUtil.h"
#include "tests/support/TestEnv.h"

namespace qvp {
namespace {

using test::PageHost;

enum class HostCall { kNoObjects, kOtherControl, kApply, kDeactivate, kLastRelease };

constexpr std::pair<HostCall, const char*> kHostCalls[] = {
    {HostCall::kNoObjects, "SetObjects(0)"},
    {HostCall::kOtherControl, "SetObjects(other control)"},
    {HostCall::kApply, "Apply"},
    {HostCall::kDeactivate, "Deactivate"},
    {HostCall::kLastRelease, "the last Release"},
};

com::TypeLibBuilder FontTypes() {
  com::TypeLibBuilder b(com::MakeGuid("5A1D0C3E-0000-4000-8000-000000000057"), QStringLiteral("Fonts"), 1, 0);
  b.AddType(TKIND_DISPATCH, IID_IFontDisp, QStringLiteral("Font"));
  b.AddType(TKIND_DISPATCH, ctl::IID_DListBar, QStringLiteral("Lettered"))
      .Property(1, QStringLiteral("Font"), com::TypeRef::User(QStringLiteral("Font")));
  return b;
}

// A control with one font property, for the font row's dialog.
class FontControl final : public test::TestControl<> {
 public:
  explicit FontControl(IUnknown* outer) : TestControl(outer, FontTypes(), QStringLiteral("Lettered")) {
    const std::u16string face = u"Sans";
    FONTDESC desc;
    desc.lpstrName = face.c_str();
    desc.cySize.int64 = 10 * 10000;
    EXPECT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, font_.OutVoid()), S_OK);
    dispatcher_.Getter(1, [this] { return com::Variant::Dispatch(font_.get()); });
    dispatcher_.Putter(1, [](const VARIANT&) { return S_OK; });
  }

 private:
  com::Ref<IDispatch> font_;
};

// One page in the host, every box and dialog scripted: the first one to show runs the
// host's call, then is answered OK (a change made, a file chosen) or Cancel.
class Session {
 public:
  Session(int page, HostCall call, bool ok) : host_(page), call_(call), ok_(ok) {
    other_.Groups().Add(0, QStringLiteral("o"), QStringLiteral("Other"));
    host_.model.Groups().Add(0, QStringLiteral("g"), QStringLiteral("Group"));
    host_.model.Groups().Item(1).ListItems().Add(0, {}, QStringLiteral("Item"));
    host_.model.Groups().Add(0, QStringLiteral("h"), QStringLiteral("Second"));
    host_.model.Tabs().Add(0, {}, QStringLiteral("Tab"));
    prompts_->SetOnShown([this](const ui::test::ShownPrompt&) { HostCalls(); });
    files_->SetOnShown([this](const ui::FileDialogRequest&) {
      if (!boxesOnly_) HostCalls();
    });
    SetLibraryHelpFolder(testenv::NewTempDir(QStringLiteral("qvp-nohelp")));
    host_.control->SetToolBarConfigurator([this] { HostCalls(); });
  }
  ~Session() { SetLibraryHelpFolder({}); }

  HRESULT Activate(IUnknown* object = nullptr) { return host_.Activate(object); }
  QString Path(const char* name) const { return dir_ + QLatin1Char('/') + QLatin1String(name); }
  QString Picture(const char* name) { return test::BitmapFile(Path(name), test::Solid(8, 4, 0xff336699)); }
  // A file that is no picture.
  QString Garbage() {
    const QString path = Path("garbage.bmp");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    return path;
  }
  // The host calls from inside a message box only, not from the dialogs before it; or
  // from inside the first box or dialog again.
  void CallFromMessageBoxes() { boxesOnly_ = true; }
  void CallFromEveryBox() { boxesOnly_ = false; }
  // The next file dialog's answer, whichever way the box is answered.
  void ChooseFile(const QString& path) { files_->Choose(path); }

  // The next message box's answer.
  void AnswerBox() { prompts_->Answer(ok_ ? ui::vbOK : ui::vbCancel); }
  // The next file dialog's answer: `path`, or Cancel.
  void AnswerFile(const QString& path) { ok_ ? files_->Choose(path) : files_->Cancel(); }
  // The next dialog: the host's call, then `accept` (the user's change and OK) or Cancel.
  void AnswerDialog(const char* name, std::function<void(QDialog&)> accept) {
    runner_->Then(QLatin1String(name), [this, accept = std::move(accept)](QDialog& d) {
      if (!boxesOnly_) HostCalls();
      if (ok_ || boxesOnly_) accept(d);
    });
  }

  // Opens a box by a button of the page.
  void Click(const char* id) {
    QPushButton* button = host_.Find<QPushButton>(id);
    ASSERT_NE(button, nullptr) << id;
    ASSERT_TRUE(button->isEnabled()) << id;
    button->click();
  }
  // The named row of a page's list ("id1000" for the browser), its headers opened.
  int Line(const char* list, const char* row) {
    PropertyListView* view = List(list);
    if (!view) return -1;
    PropertyListModel& model = view->Model();
    for (int line = 0; line < model.rowCount(); ++line) {
      CListBoxItem* item = model.Row(line);
      if (item->name == QLatin1String(row)) return line;
      if (dynamic_cast<CExpandableItem*>(item) && !item->IsExpanded()) view->RunDefault(*item);
    }
    return -1;
  }
  void PressButton(const char* list, const char* row) {
    const int line = Line(list, row);
    ASSERT_GE(line, 0) << row;
    List(list)->RunButton(line);
  }
  void Edit(const char* list, const char* row, const char* text) {
    ASSERT_GE(Line(list, row), 0) << row;
    test::EditRow(List(list), row, QString::fromLatin1(text));
  }
  // Inserts a picture file through the button, outside the host's calls.
  void Insert(const char* button, const char* picture) {
    const bool was = std::exchange(boxesOnly_, true);
    ChooseFile(Picture(picture));
    Click(button);
    boxesOnly_ = was;
  }
  // Types a key into the Images page's key box and presses Enter.
  void EnterKey(const char* key) {
    auto* edit = host_.Find<QLineEdit>("1037");
    ASSERT_NE(edit, nullptr);
    edit->setText(QString::fromLatin1(key));
    test::PressKey(edit, Qt::Key_Return);
  }
  void PressF1() {
    MSG f1{nullptr, WM_KEYDOWN, VK_F1, 0};
    host_.page->TranslateAccelerator(&f1);
  }
  void Apply() { host_.page->Apply(); }
  // The first group goes behind the page's back: a write to its rows is refused.
  void RemoveFirstGroup() { host_.model.Groups().Remove(1); }

  // What follows the box: the host's event loop runs, the page goes where it was ended.
  void Finish() {
    for (int i = 0; i < 3; ++i) {
      QApplication::sendPostedEvents();
      QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(called_) << "no box showed";
    if (call_ == HostCall::kDeactivate || call_ == HostCall::kLastRelease) {
      EXPECT_TRUE(host_.frame.findChildren<QWidget*>().isEmpty());
    }
  }

 private:
  PropertyListView* List(const char* id) { return host_.Find<PropertyListView>(id); }
  // The host's call, from inside the first box or dialog.
  void HostCalls() {
    if (std::exchange(called_, true)) return;
    switch (call_) {
      case HostCall::kNoObjects:
        host_.page->SetObjects(0, nullptr);
        break;
      case HostCall::kOtherControl: {
        IUnknown* objects[] = {otherFace_.Object()};
        host_.page->SetObjects(1, objects);
        break;
      }
      case HostCall::kApply:
        host_.page->Apply();
        break;
      case HostCall::kDeactivate:
        EXPECT_EQ(host_.page->Deactivate(), S_OK);
        break;
      case HostCall::kLastRelease:
        host_.page->Deactivate();
        host_.page->SetObjects(0, nullptr);
        host_.page->SetPageSite(nullptr);
        host_.page.Detach()->Release();
        break;
    }
  }

  QString dir_ = testenv::NewTempDir(QStringLiteral("qvp-inside"));
  ctl::ListBarModel other_;
  ctl::ListBarAutomationHost otherFace_{other_};
  PageHost host_;
  ui::test::ScopedFakePrompts prompts_;
  ui::test::ScopedFakeModalRunner runner_;
  ui::test::ScopedFakeFileDialogs files_;
  HostCall call_;
  bool ok_;
  bool called_ = false;
  bool boxesOnly_ = false;
};

void PickRed(QDialog& d) {
  auto* list = d.findChild<QListWidget*>(QStringLiteral("1002"));
  ASSERT_NE(list, nullptr);
  list->setCurrentItem(list->findItems(QStringLiteral("Red"), Qt::MatchExactly).value(0));
  ASSERT_TRUE(ui::test::Click(d, QStringLiteral("1")));
}

struct Box {
  int page;
  const char* box;
  std::function<void(Session&)> open;
};

// Every box and dialog of each page, opened as a user opens it.
std::vector<Box> Boxes() {
  std::vector<Box> boxes;
  for (int page : {0, 1}) {
    boxes.push_back({page, "Edit Color", [](Session& s) {
                       ASSERT_EQ(s.Activate(), S_OK);
                       s.AnswerDialog("107", PickRed);
                       s.PressButton("id1000", "BackColor");
                     }});
    boxes.push_back({page, "Load Picture", [](Session& s) {
                       ASSERT_EQ(s.Activate(), S_OK);
                       const QString file = s.Picture("p.bmp");
                       s.AnswerDialog("112", [&s, file](QDialog& d) {
                         s.AnswerFile(file);
                         ui::test::Click(d, QStringLiteral("1012"));
                         ui::test::Click(d, QStringLiteral("1"));
                       });
                       s.PressButton("id1000", "Picture");
                     }});
    boxes.push_back({page, "Error Loading File of Load Picture", [](Session& s) {
                       ASSERT_EQ(s.Activate(), S_OK);
                       s.CallFromMessageBoxes();
                       const QString garbage = s.Garbage();
                       s.AnswerDialog("112", [&s, garbage](QDialog& d) {
                         s.ChooseFile(garbage);
                         s.AnswerBox();
                         ui::test::Click(d, QStringLiteral("1012"));
                         ui::test::Click(d, QStringLiteral("1"));
                       });
                       s.PressButton("id1000", "Picture");
                     }});
    boxes.push_back({page, "Error Setting Property", [](Session& s) {
                       ASSERT_EQ(s.Activate(), S_OK);
                       s.Edit("id1000", "CurrentGroup", "9");
                       s.AnswerBox();
                       s.Apply();
                     }});
    boxes.push_back({page, "Invalid value", [](Session& s) {
                       ASSERT_EQ(s.Activate(), S_OK);
                       s.Edit("id1000", "CurrentGroup", "big");
                       s.AnswerBox();
                       s.Apply();
                     }});
  }
  boxes.push_back({0, "Font", [](Session& s) {
                     auto control = com::Create<FontControl, IDispatch>(IID_IDispatch);
                     ASSERT_EQ(s.Activate(control.get()), S_OK);
                     s.AnswerDialog("182", [](QDialog& d) {
                       auto& chooser = static_cast<QFontDialog&>(d);
                       QFont chosen = chooser.currentFont();
                       chosen.setStrikeOut(true);
                       chooser.setCurrentFont(chosen);
                       chooser.accept();
                     });
                     s.PressButton("id1000", "Font");
                   }});
  // A group's caption written after the group went; a tab's index that is no number.
  const auto refusedWrite = [](int page) {
    return [page](Session& s) {
      ASSERT_EQ(s.Activate(), S_OK);
      if (page == 3) {
        s.Edit("1029", "Caption", "Fine");
        s.RemoveFirstGroup();
      } else {
        s.Edit("2201", "Index", "x");
      }
      s.AnswerBox();
    };
  };
  for (int page : {3, 7}) {
    boxes.push_back({page, "Error Setting Property", [refusedWrite, page](Session& s) {
                       refusedWrite(page)(s);
                       s.Apply();
                     }});
    boxes.push_back({page, "Error Setting Property before Add", [refusedWrite, page](Session& s) {
                       refusedWrite(page)(s);
                       s.Click(page == 3 ? "1031" : "2202");
                     }});
  }
  // A file dialog of a button, answered with a picture file (or Cancel); the load error
  // box of the same button, given a file that is no picture.
  const auto fileDialog = [](const char* button, const char* picture) {
    return [button, picture](Session& s) {
      ASSERT_EQ(s.Activate(), S_OK);
      s.AnswerFile(s.Picture(picture));
      s.Click(button);
    };
  };
  const auto loadError = [](const char* button) {
    return [button](Session& s) {
      ASSERT_EQ(s.Activate(), S_OK);
      s.CallFromMessageBoxes();
      s.ChooseFile(s.Garbage());
      s.AnswerBox();
      s.Click(button);
    };
  };
  // A button's file dialog after a picture went in.
  const auto afterInsert = [](const char* button) {
    return [button](Session& s) {
      ASSERT_EQ(s.Activate(), S_OK);
      s.Insert("1006", "first.bmp");
      s.AnswerFile(s.Path("out.png"));
      s.Click(button);
    };
  };
  for (int page : {4, 8}) {
    boxes.push_back({page, "Insert Image", fileDialog("1006", "i.bmp")});
    boxes.push_back({page, "Export As File", afterInsert("1015")});
    boxes.push_back({page, "Keys must be unique", [](Session& s) {
                       ASSERT_EQ(s.Activate(), S_OK);
                       s.Insert("1006", "first.bmp");
                       s.EnterKey("a");
                       s.Insert("1006", "second.bmp");
                       s.AnswerBox();
                       s.EnterKey("a");
                     }});
    boxes.push_back({page, "Error Loading File", loadError("1006")});
    boxes.push_back({page, "Import", fileDialog("1014", "i.bmp")});
    boxes.push_back({page, "Error Loading File of Import", loadError("1014")});
  }
  boxes.push_back({2, "Insert Frame", fileDialog("1006", "f.bmp")});
  boxes.push_back({2, "Export Frames", afterInsert("1015")});
  boxes.push_back({2, "Error Loading File", loadError("1006")});
  // The frame count asked after the file: the host calls from inside the file dialog or
  // from inside the count's dialog.
  for (const bool inCount : {false, true}) {
    boxes.push_back({2, inCount ? "Frame count of Import Frames" : "Import Frames", [inCount](Session& s) {
                       ASSERT_EQ(s.Activate(), S_OK);
                       inCount ? s.ChooseFile(s.Picture("s.bmp")) : s.AnswerFile(s.Picture("s.bmp"));
                       s.AnswerDialog("126", [](QDialog& d) {
                         ui::test::SetText(d, QStringLiteral("1019"), QStringLiteral("2"));
                         ui::test::Click(d, QStringLiteral("1"));
                       });
                       s.Click("1014");
                     }});
  }
  boxes.push_back({5, "Browse", fileDialog("1012", "b.bmp")});
  boxes.push_back({5, "Error Loading File", loadError("1012")});
  boxes.push_back({5, "Save As PNG File", [](Session& s) {
                     ASSERT_EQ(s.Activate(), S_OK);
                     s.CallFromMessageBoxes();
                     s.ChooseFile(s.Picture("b.bmp"));
                     s.Click("1012");
                     s.CallFromEveryBox();
                     s.AnswerFile(s.Path("out.png"));
                     s.Click("1039");
                   }});
  boxes.push_back({5, "Error Saving File", [](Session& s) {
                     ASSERT_EQ(s.Activate(), S_OK);
                     s.CallFromMessageBoxes();
                     s.ChooseFile(s.Picture("b.bmp"));
                     s.Click("1012");
                     s.ChooseFile(s.Path(""));
                     s.AnswerBox();
                     s.Click("1039");
                   }});
  boxes.push_back({6, "Configure", [](Session& s) {
                     ASSERT_EQ(s.Activate(), S_OK);
                     s.Click("1043");
                   }});
  for (int page = 0; page < kPageCount; ++page)
    boxes.push_back({page, "Help is not installed", [](Session& s) {
                       ASSERT_EQ(s.Activate(), S_OK);
                       s.AnswerBox();
                       s.PressF1();
                     }});
  return boxes;
}

TEST(HostInsideBoxes, EveryPageOutlivesTheHostsCallsFromInsideItsBoxes) {
  for (const Box& box : Boxes()) {
    for (const auto& [call, callName] : kHostCalls) {
      for (const bool ok : {true, false}) {
        SCOPED_TRACE(testing::Message() << "page " << box.page << ", " << box.box << ", " << callName << ", "
                                        << (ok ? "OK" : "Cancel"));
        Session session(box.page, call, ok);
        box.open(session);
        session.Finish();
      }
    }
  }
}

}  // namespace
}  // namespace qvp
