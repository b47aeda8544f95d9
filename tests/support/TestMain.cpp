// Shared main of every test executable: the program's application object on the
// offscreen platform, the registry in a temporary folder, a fixed locale and a fixed clock.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLocale>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Application.h"
#include "tests/support/TestEnv.h"

namespace {
class ResetEnvironment : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    rt::SetClock([] { return testenv::FixedNow(); });
  }
};
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("STOVREL_REGISTRY_DIR", (testenv::TempRoot() + QStringLiteral("/registry")).toUtf8());
  ::testing::InitGoogleMock(&argc, argv);
  ui::Application app(argc, argv);
  // What escapes an event handler fails the running test, and the run goes on.
  ui::Application::SetErrorReporter([](const QString& label) {
    ADD_FAILURE() << "error escaped an event handler in " << label.toStdString() << ": "
                  << rt::Err().Description().toStdString();
  });
  ::testing::UnitTest::GetInstance()->listeners().Append(new ResetEnvironment);
  return RUN_ALL_TESTS();
}
