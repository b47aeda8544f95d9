#include "shell/frmSplash.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>

#include "tests/shell/ShellTestSupport.h"

namespace {

using shelltest::ShellTest;

class frmSplashTest : public ShellTest {
 protected:
  static void Click(QWidget* w) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
  }
  static void Key(QWidget* w) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(w, &key);
  }
};

TEST_F(frmSplashTest, ShowsProductVersionPlatformAndTheOpenDatabase) {
  {
    frmSplash s;
    EXPECT_EQ(s.lblProductName->text(), QStringLiteral("Stovrel"));
    EXPECT_EQ(s.lblVersion->text(), QStringLiteral("Version 6.0  Rev. 2"));
    EXPECT_EQ(s.lblPlatform->text(), QStringLiteral("Linux"));
    EXPECT_TRUE(s.lblDataDir->isHidden());
    EXPECT_TRUE(s.txtDataDir->isHidden());
    EXPECT_TRUE(s.lblDbVer->isHidden());
    EXPECT_FALSE(s.m_bSplashMode);
    EXPECT_FALSE(s.m_bOK2Unload);
  }
  const QString dir = OpenNewDatabase();
  frmSplash s;
  EXPECT_FALSE(s.lblDataDir->isHidden());
  EXPECT_EQ(s.lblDataDir->text(), QStringLiteral("My Current Data Directory:"));
  EXPECT_EQ(s.txtDataDir->text(), dir);
  EXPECT_EQ(s.lblDbVer->text(), QStringLiteral("DB version: ") + QString::number(gDB().DBVer(gDB().LastIdTable())));
  EXPECT_GT(gDB().DBVer(gDB().LastIdTable()), 0);
}

// In splash mode nothing the user does closes it or opens the web page; as the About
// box a key or a click on a text closes it, and the web-address label opens the page.
TEST_F(frmSplashTest, ClicksAndKeysByMode) {
  struct Case {
    bool splashMode;
    const char* action;  // "key", a label name
    bool closes;
    bool opensPage;
  };
  const Case cases[] = {
      {true, "key", false, false},           {true, "lblCompany", false, false},
      {true, "lblWebsite", false, false},    {true, "Frame1", false, false},
      {false, "key", true, false},           {false, "lblCompany", true, false},
      {false, "lblProductName", true, false}, {false, "lblVersion", true, false},
      {false, "lblCopyright", true, false},  {false, "lblPlatform", true, false},
      {false, "imgLogo", true, false},       {false, "Frame1", true, false},
      {false, "lblWebsite", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.splashMode << " " << c.action);
    ui::test::ScopedFakeShell shell;
    frmSplash s;
    s.m_bSplashMode = c.splashMode;
    s.show();
    int finished = 0;
    QObject::connect(&s, &QDialog::finished, [&finished] { ++finished; });
    if (QLatin1String(c.action) == QLatin1String("key")) {
      Key(&s);
    } else {
      Click(s.findChild<QWidget*>(QLatin1String(c.action)));
    }
    EXPECT_EQ(finished, c.closes ? 1 : 0);
    EXPECT_EQ(shell->Calls().size(), c.opensPage ? 1 : 0);
    if (c.opensPage) {
      EXPECT_EQ(shell->Calls()[0].file, frmSplash::WebsiteAddress());
    }
  }
}

TEST_F(frmSplashTest, TimerSetsTheFlagOnlyInSplashMode) {
  for (const bool splashMode : {true, false}) {
    frmSplash s(nullptr, 1);
    s.m_bSplashMode = splashMode;
    ASSERT_TRUE(shelltest::WaitFor(s.Timer1, &QTimer::timeout));
    EXPECT_EQ(s.m_bOK2Unload, splashMode);
    s.m_bOK2Unload = false;
    ASSERT_TRUE(shelltest::WaitFor(s.Timer1, &QTimer::timeout));  // the timer keeps going
    EXPECT_EQ(s.m_bOK2Unload, splashMode);
  }
}

TEST_F(frmSplashTest, AboutIsRunModallyOwnedByTheMainWindow) {
  frmMain& m = Main();
  bool splashMode = true;
  runner->Then(QStringLiteral("frmSplash"), [&](QDialog& dlg) {
    splashMode = static_cast<frmSplash&>(dlg).m_bSplashMode;
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&dlg, &key);
  });
  m.MenuItem(QStringLiteral("mnuHelpAbout"))->trigger();
  EXPECT_FALSE(splashMode);
  EXPECT_EQ(runner->Owners().back(), &m);
}

}  // namespace
