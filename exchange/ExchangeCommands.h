#pragma once
// The main window's import and export commands. Each runs only while no other import
// or export runs (ExchangeSupport.h, Busy) and needs an open database.

#include <QString>
#include <QStringList>
#include <cstdint>

class CsvFile;

namespace exchange {

// Closes every window but the main window, then ImportProductsHelper.
void ImportProducts();
// The "Import Products" dialog, the checks and the preview of the file, the import and
// its closing message.
void ImportProductsHelper();
// Adds or updates one product per data row of `file` (already checked), the columns
// named by `headings` (1-based, upper case). `count`: on entry the lines after the
// heading (for the progress bar), on return the products saved. A row whose product
// or list entry could not be saved stops the import: `stoppedRow` is then its line,
// else 0. False when a table did not open or an error was trapped. First the
// beginning-inventory Receives an add cut short left without their product are
// deleted; `removed` (when given) counts them.
//
// Rows find their product in memory (store::ProductKeys: what a seek on the part-number
// or name tag finds), read anew from the rows other copies appended each time the run
// takes the append locks. A short row that matches a product changes only the fields it
// has cells for (an empty cell still clears its field): files that imported before
// still do, and no stored value is lost to a cell that is not there. An update is
// written only while the stored row is still the one the run read
// (store::Products::UpdateKnown); another copy's hide, rename or delete makes the run
// take the stored row in and match the row again. New products wait in memory and are
// added together (clsProd::AddProducts) before events run, every 256 rows, before a row
// updates an existing product, and at the end. Their Receives are stored first, then
// the products, under the products' append lock, so a product is never stored without
// its Receive; an orphan Receive is deleted by the next import, under the same lock.
bool ImportProductsFromFile(const CsvFile& file, const QStringList& headings, int32_t& count,
                            int32_t& stoppedRow, size_t* removed = nullptr);

// The "Import Inventory Transactions" dialog, the checks, the preview and the import.
void ImportTransactions();

// Writes every visible product to a CSV file the user names, in the product import
// layout, and offers to open it.
void ExportCurrentInventory();

}  // namespace exchange
