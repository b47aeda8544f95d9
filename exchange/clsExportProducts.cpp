#include "exchange/clsExportProducts.h"

#include <QStringList>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "database/clsDB.h"
#include "database/store/Codes.h"
#include "database/store/Lists.h"
#include "database/store/Products.h"
#include "exchange/ExchangeSupport.h"
#include "exchange/ProductCsv.h"
#include "exchange/ExchangeCommands.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "platform/ui/WaitCursor.h"
#include "services/MainWindowHub.h"
#include "services/clsSystem.h"

namespace {

// The part number a product without one is written with: "G" and its id, padded with
// zeros to four digits; longer ids keep every digit.
QString GeneratedPartNo(int32_t id) { return QStringLiteral("G%1").arg(id, 4, 10, QLatin1Char('0')); }

// Throws the store's failure as the pending error.
void Check(const store::Status& status) {
  if (!status.ok()) rt::Raise(status.code != 0 ? status.code : rt::kErrInvalidCall, status.source, status.description);
}

}  // namespace

QString clsExportProducts::HeadingRow() { return productcsv::HeadingRow(); }

bool clsExportProducts::Export() {
  clsDB& db = gDB();
  ui::ScopedHourglass hourglass;
  try {
    ExchangeTables tables(db);
    if (!exchange::HoldProductRun(tables)) return false;

    CsvWriter out(path_);
    if (!out.Open()) {
      ui::MsgBox(out.ErrorText(), ui::vbExclamation);
      return false;
    }
    // The list entries and the stock figures of all products, each read in one pass.
    std::vector<store::ListRow> entries;
    Check(tables.AllListEntries(entries));
    std::unordered_map<int32_t, QString> entryText;
    for (const store::ListRow& e : entries) entryText.emplace(e.id, e.text);
    const auto textOf = [&](int32_t id) {
      const auto it = entryText.find(id);
      return it == entryText.end() ? QString() : it->second;
    };
    // Only the units are written: no amount can keep a product's row out of the file. A
    // product whose units do not fit has been reported and is written with none.
    std::unordered_map<int32_t, clsProductStats> stats;
    std::unordered_set<int32_t> failed;
    if (!tables.StockUnits(stats, failed)) return false;

    using productcsv::NumberField;
    using productcsv::TextField;
    const auto order = db.ProdPartNumberFirstGet() ? store::SearchType::kPartNo : store::SearchType::kName;
    bool written = out.WriteLine(HeadingRow());
    QStringList cells;
    // Rows with a number the import refuses are written as stored and named afterwards.
    QStringList unimportable;
    Check(tables.ForEachVisibleProduct(order, [&](int32_t id, const store::ProductRecord& r) {
      const auto it = stats.find(id);
      rt::Currency stock = it == stats.end() ? rt::Currency() : it->second.m_curNumUnitsInStock_Physical;
      // The import takes 0 to 2000000000: a stock below zero is written as none.
      if (stock < rt::Currency()) stock = rt::Currency();
      const QString partNo = r.partNo.isEmpty() ? GeneratedPartNo(id) : r.partNo;
      const std::pair<const char*, rt::Currency> numbers[] = {{"BEGINNINGINVENTORY", stock},
                                                              {"REORDERLEVEL", r.reorderLevel},
                                                              {"REORDERQUANTITY", r.reorderQty},
                                                              {"STDUNITCOST", r.stdCost},
                                                              {"STDUNITPRICE", r.stdPrice}};
      QStringList refused;
      for (const auto& [column, value] : numbers) {
        if (value < rt::Currency() || value > rt::Currency(productcsv::kHighestNumber)) refused << column;
      }
      if (!refused.isEmpty()) unimportable << r.name + " [" + partNo + "]: " + refused.join(", ");
      cells = {TextField(r.name),
               TextField(partNo),
               TextField(textOf(r.location)),
               TextField(textOf(r.group)),
               NumberField(stock),
               NumberField(r.reorderLevel),
               NumberField(r.reorderQty),
               TextField(r.leadTime),
               TextField(textOf(r.manuf)),
               TextField(textOf(r.vendor)),
               NumberField(r.stdCost),
               NumberField(r.stdPrice),
               TextField(r.custom1),
               TextField(r.custom2),
               TextField(r.custom3),
               TextField(r.custom4),
               TextField(r.notes)};
      written = written && out.WriteRow(cells);
      return written;
    }));
    if (!written || !out.Commit()) rt::Raise(rt::kErrPathFileAccess, QStringLiteral("clsExportProducts"), out.ErrorText());
    if (!unimportable.isEmpty()) {
      constexpr qsizetype kListed = 20;
      const qsizetype more = unimportable.size() - kListed;
      if (more > 0) {
        unimportable.resize(kListed);
        unimportable << QStringLiteral("and %1 more").arg(more);
      }
      ui::MsgBox(QStringLiteral("The product import takes numbers from 0 to ") + QString::number(productcsv::kHighestNumber) +
                     QStringLiteral(" only. These products were written with a number outside that range, so "
                                    "importing the file will refuse it until their rows are changed:\n") +
                     unimportable.join(u'\n'),
                 ui::vbExclamation, rt::App::ProductName());
    }
    return true;
  } catch (...) {
    rt::TrapError();
    ui::SetScreenMousePointer(ui::vbDefault);
    gSystem().ShowError(QStringLiteral("clsExportProducts_Export"));
    return false;
  }
}

namespace exchange {

void ExportCurrentInventory() {
  const BusyGuard busy;
  if (!busy.Acquired() || !gDB().IsOpen()) return;
  clsSystem& sys = gSystem();
  QString path = QStringLiteral("All Products");
  if (!sys.GetFilenameSaveAs(path, QStringLiteral("Comma Separated Value File (*.csv)|*.csv"), QStringLiteral("Save As"),
                             HubWindow())) {
    return;
  }
  clsExportProducts exporter;
  exporter.Init(path);
  if (!exporter.Export()) return;
  const int answer = ui::MsgBox(path + QStringLiteral(" has been saved. Would you like to open this file now?"),
                                ui::vbYesNoCancel | ui::vbQuestion | ui::vbDefaultButton3, rt::App::ProductName());
  if (answer == ui::vbYes) sys.LaunchFile(path);
}

}  // namespace exchange
