#include "exchange/frmImportProducts.h"

#include "exchange/ProductCsv.h"
#include "platform/runtime/App.h"
#include "services/clsSystem.h"

frmImportProducts::frmImportProducts(QWidget* parent)
    : ImportFileDialog({QStringLiteral("Import Products"), QStringLiteral("File containing products"),
                        QStringLiteral("Open Product Import file"), QStringLiteral("Sample Product Import.csv"),
                        QStringLiteral(" - Product import.csv")},
                       parent) {
  setObjectName(QStringLiteral("frmImportProducts"));
  resize(520, sizeHint().height());
}

void frmImportProducts::cmdHelp_Click() {
  const clsSystem& sys = gSystem();
  QString text = QStringLiteral("IMPORT PRODUCTS") + sys.CRLF(2) + rt::App::ProductName() +
                 QStringLiteral(" allows you to import Products. Import is usually done when initially setting up "
                                "the inventory database.") +
                 sys.CRLF(2) +
                 QStringLiteral("The import file must be formatted as a Comma Separated Value file, usually "
                                "prepared in MS Excel and Saved, As 'CSV (Comma Delimited)' file.") +
                 sys.CRLF(2) +
                 QStringLiteral("The first row (Row 1) of the import file must contain column headings. The "
                                "required column headings are as follows (each heading should appear in a "
                                "separate column in MS Excel):") +
                 sys.CRLF(2);
  for (const QString& keyword : productcsv::Keywords()) {
    text += keyword + sys.CRLF(keyword == QLatin1String("NOTES") ? 2 : 1);
  }
  text += QStringLiteral(
              "All rows (except the first row which must contain column headings) in the import file are added "
              "as NEW products into the database, if a product with that PARTNUMBER does not already exist or a "
              "product with that PRODUCTNAME does not already exist (in the absence of PARTNUMBER). Otherwise, "
              "information for the existing product is updated except for Beginning Inventory. Data for each "
              "product should appear starting from Row 2. ") +
          QStringLiteral(
              "For each row, PRODUCTNAME must be specified. For each row, the data in the rest of the columns "
              "may be left blank. We recommend preparing this file in MS Excel and saving as 'CSV (Comma "
              "Delimited)' file.") +
          sys.CRLF(2);
  gSystem().ShowMsg(text, 1, 1080);
}
