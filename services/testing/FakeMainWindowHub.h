#pragma once
// A main window for tests of other windows: records every hub call as text
// ("ShowChild(frmProdList)", "ShowFoundProductsRpt(1, AB, Part Number)") and answers from fields
// the test sets. ScopedFakeMainWindowHub installs one for a scope and puts the previous
// hub back.

#include <QStringList>

#include "platform/ui/testing/TestPrompts.h"
#include "services/MainWindowHub.h"

class FakeMainWindowHub : public MainWindowHubInterface {
 public:
  // Every call, in order.
  QStringList calls;
  // Answers.
  QWidget* window = nullptr;
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;

  QWidget* Window() override { return window; }
  int32_t ClientAreaWidth() override;
  int32_t ClientAreaHeight() override;
  // Records "ShowChild(<objectName>)" and shows the window top-level; deleted on close.
  void ShowChild(QWidget& child) override;
  void ShowFoundProductsRpt(int32_t eSearchType, const QString& sSearchStr,
                            const QString& sSearchCaption) override;

 private:
  void Record(const char* name, const QStringList& args = {});
};

using ScopedFakeMainWindowHub =
    ui::test::ScopedFake<FakeMainWindowHub, MainWindowHubInterface, &SetMainWindowHub>;
