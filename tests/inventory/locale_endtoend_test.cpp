// A product and its transactions entered and edited through the windows in each locale
// a user may have (the C library's and the user's number settings): the stored records
// are the bytes the C locale stores.

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QtEndian>
#include <optional>
#include <vector>

#include "inventory/frmInvAddUpateDel.h"
#include "inventory/frmProduct.h"
#include "platform/controls/NumericEdit.h"
#include "platform/runtime/DateTime.h"
#include "tests/inventory/ProdTestSupport.h"
#include "tests/inventory/TranTestSupport.h"

namespace {

using stocktest::Cur;
using ui::test::Click;
using ui::test::SetText;
using ui::test::TypeKeys;

// The records of a table file as stored, read without the engine.
std::vector<QByteArray> Records(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "cannot read " << path.toStdString();
    return {};
  }
  const QByteArray bytes = file.readAll();
  if (bytes.size() < 12) return {};
  const auto* header = reinterpret_cast<const uchar*>(bytes.constData());
  const quint32 count = qFromLittleEndian<quint32>(header + 4);
  const qsizetype headerLen = qFromLittleEndian<quint16>(header + 8);
  const qsizetype recordLen = qFromLittleEndian<quint16>(header + 10);
  std::vector<QByteArray> records;
  for (quint32 n = 0; n < count; ++n) records.push_back(bytes.mid(headerLen + n * recordLen, recordLen));
  return records;
}

// A figure as the user types it: the locale's decimal separator and grouping.
QString Typed(const char* figure) { return QLocale().toString(QString::fromLatin1(figure).toDouble(), 'f', 4); }

class LocaleEndToEndTest : public prodtest::ProdTest {};

TEST_F(LocaleEndToEndTest, WhatTheWindowsStoreIsTheSameInEveryLocale) {
  struct Stored {
    std::vector<QByteArray> products, transactions;
  };
  std::optional<Stored> inC;
  for (const char* name : {"C", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
    SCOPED_TRACE(name);
    testenv::ScopedUserLocale locale(name);
    ASSERT_TRUE(locale.ok()) << name << " is not generated on this machine";
    gDB().CloseDB();
    OpenNewDatabase();
    for (const char* param : {"Decimals_Units", "Decimals_PerUnit"})
      ASSERT_TRUE(gDB().SetParamValue(QLatin1String(param), QStringLiteral("4")));

    // A new product, its beginning inventory recorded as a Receive at the standard cost.
    clsProd product;
    product.Init();
    {
      frmProduct dlg;
      ASSERT_TRUE(dlg.Init(product));
      const std::pair<const char*, QString> entries[] = {
          {"txtPN", QStringLiteral("B-1")},       {"txtName", QStringLiteral("Bolt")},
          {"fpBI", Typed("12.3456")},             {"fpReorder", Typed("26.4567")},
          {"fpReorderQty", Typed("1234.3456")},   {"txtLeadTime", QStringLiteral("2 weeks")},
          {"fpStdCost", Typed("925.0912")},       {"fpStdPrice", Typed("1620.3178")},
          {"txtNotes", QStringLiteral("M8")},
      };
      for (const auto& [field, text] : entries) {
        ASSERT_TRUE(QLatin1String(field) == QLatin1String("txtNotes") ? SetText(dlg, QLatin1String(field), text)
                                                                      : TypeKeys(dlg, QLatin1String(field), text))
            << field;
      }
      ASSERT_TRUE(Click(dlg, QStringLiteral("OKButton")));
      ASSERT_TRUE(dlg.m_bOK);
    }
    EXPECT_EQ(std::vector<rt::Currency>({product.curBeginningInventory, product.curReOrderLevel, product.curReOrderQty,
                                         product.curStdCost, product.curStdPrice}),
              std::vector<rt::Currency>({Cur("12.3456"), Cur("26"), Cur("1234"), Cur("925.0912"), Cur("1620.3178")}));

    // A Ship of it, then edits that change only the lead time and only the date: every
    // other figure is written back as stored.
    clsTran ship;
    ship.nProdId = product.nProdId;
    ship.udTranType = 4;
    int32_t shipId = -1;
    {
      frmInvAddUpateDel dlg;
      dlg.Init(0, ship, -1);
      ASSERT_TRUE(TypeKeys(dlg, QStringLiteral("fpUnits"), Typed("2.4567")));
      ASSERT_TRUE(TypeKeys(dlg, QStringLiteral("fpCost"), Typed("1513.31")));
      ASSERT_TRUE(SetText(dlg, QStringLiteral("txtNote"), QStringLiteral("counted")));
      ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
      ASSERT_TRUE(dlg.m_bOK);
      EXPECT_EQ(std::make_pair(dlg.m_udTran.curUnits, dlg.m_udTran.curUnitPrice),
                std::make_pair(Cur("2.4567"), Cur("1513.31")));
      shipId = dlg.m_udTran.nTranID;
    }
    {
      clsProd again;
      again.nProdId = product.nProdId;
      frmProduct dlg;
      ASSERT_TRUE(dlg.Init(again));
      ASSERT_TRUE(SetText(dlg, QStringLiteral("txtLeadTime"), QStringLiteral("3 weeks")));
      ASSERT_TRUE(Click(dlg, QStringLiteral("OKButton")));
      ASSERT_TRUE(dlg.m_bOK);
    }
    {
      clsTran stored;
      ASSERT_TRUE(gDB().GetTran(shipId, stored));
      frmInvAddUpateDel dlg;
      dlg.Init(1, stored, -1);
      ASSERT_TRUE(SetText(dlg, QStringLiteral("txtDate"), QLocale().toString(QDate(2026, 3, 16), rt::ShortDatePattern())));
      ASSERT_TRUE(Click(dlg, QStringLiteral("cmdOK")));
      ASSERT_TRUE(dlg.m_bOK);
    }

    const Stored stored{Records(gDB().ProductsTable()), Records(gDB().TranTable())};
    ASSERT_EQ(stored.products.size(), 1u);
    ASSERT_EQ(stored.transactions.size(), 2u);  // the beginning inventory and the Ship
    if (!inC) {
      // The baseline holds the figures entered.
      const clsProd read = Load(product.nProdId);
      EXPECT_EQ(std::make_pair(read.curStdCost, read.curStdPrice), std::make_pair(Cur("925.0912"), Cur("1620.3178")));
      clsTran readShip;
      ASSERT_TRUE(gDB().GetTran(shipId, readShip));
      EXPECT_EQ(std::make_pair(readShip.curUnits, readShip.curUnitPrice), std::make_pair(Cur("2.4567"), Cur("1513.31")));
      inC = stored;
      continue;
    }
    for (size_t i = 0; i < stored.products.size(); ++i)
      EXPECT_EQ(stored.products[i].toStdString(), inC->products[i].toStdString()) << "product record " << i + 1;
    for (size_t i = 0; i < stored.transactions.size(); ++i)
      EXPECT_EQ(stored.transactions[i].toStdString(), inC->transactions[i].toStdString()) << "transaction record " << i + 1;
  }
}

}  // namespace
