#include "services/mdlHelper.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>

#include "services/mdlWinAPI.h"
#include "tests/support/TestEnv.h"

namespace {

TEST(mdlHelper, FileAndFolderTests) {
  const QString dir = testenv::NewTempDir();
  const QString file = dir + QStringLiteral("/svlprod.dbf");
  ASSERT_TRUE(QDir(dir).mkdir(QStringLiteral("SVLData")));
  for (const QString& path : {file, dir + QStringLiteral("/SVLData/SVLTRAN.DBF")}) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  const struct {
    QString path;
    bool file;
    bool dir;
  } cases[] = {
      {QString(), false, false},
      {file, true, false},
      {dir, false, true},
      {dir + QStringLiteral("/"), false, true},
      {dir + QStringLiteral("/missing.dbf"), false, false},
      // The service object's rules: names are found whatever their letter case.
      {dir + QStringLiteral("/svldata/svltran.dbf"), true, false},
      {dir + QStringLiteral("/SVLPROD.DBF"), true, false},
      {dir + QStringLiteral("/svldata"), false, true},
      {dir + QStringLiteral("/svldata/*.dbf"), true, false},
      {dir + QStringLiteral("/svldata/svlprod.dbf"), false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    EXPECT_EQ(mdlHelper::HlpFileExists(c.path), c.file);
    EXPECT_EQ(mdlHelper::HlpDirExists(c.path), c.dir);
  }
}

TEST(mdlHelper, NotBelowZero) {
  EXPECT_EQ(mdlHelper::HlpNotBelowZero(-5), 0);
  EXPECT_EQ(mdlHelper::HlpNotBelowZero(-32768), 0);
  EXPECT_EQ(mdlHelper::HlpNotBelowZero(0), 0);
  EXPECT_EQ(mdlHelper::HlpNotBelowZero(7), 7);
}

TEST(mdlHelper, ComboLookupsByItemId) {
  QComboBox cbo;
  EXPECT_EQ(mdlHelper::HlpCboGetItemID(&cbo), -1);
  cbo.addItem(QStringLiteral("Main store"), 1001);
  cbo.addItem(QStringLiteral("Back room"), 1002);
  cbo.addItem(QStringLiteral("Duplicate"), 1002);
  cbo.setCurrentIndex(-1);
  EXPECT_EQ(mdlHelper::HlpCboGetItemID(&cbo), -1);

  mdlHelper::HlpCboSelectAtID(&cbo, 1002);
  EXPECT_EQ(cbo.currentIndex(), 1);  // the first row carrying the id
  EXPECT_EQ(mdlHelper::HlpCboGetItemID(&cbo), 1002);
  mdlHelper::HlpCboSelectAtID(&cbo, 4242);
  EXPECT_EQ(cbo.currentIndex(), 1);  // unchanged
  mdlHelper::HlpCboSelectAtID(&cbo, 1001);
  EXPECT_EQ(mdlHelper::HlpCboGetItemID(&cbo), 1001);
}

TEST(mdlWinAPI, UserCurrencyTexts) {
  const struct {
    const char* locale;
    QString currency;
    QString thousands;
  } cases[] = {
      {"de_DE", QStringLiteral("€"), QStringLiteral(".")},
      {"C", QString(), QStringLiteral(",")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    testenv::ScopedLocale locale(QString::fromLatin1(c.locale));
    EXPECT_EQ(mdlWinAPI::GetUserCurrencySymbol(), c.currency);
    EXPECT_EQ(mdlWinAPI::GetUserMonThousandSep(), c.thousands);
  }
  EXPECT_EQ(mdlWinAPI::GetLocaleString(ui::LOCALE_USER_DEFAULT, 9999), QString());
  EXPECT_EQ(mdlWinAPI::GetLocaleString(0x0409, ui::LOCALE_SCURRENCY), QString());
}

}  // namespace
