#pragma once
// The product CSV file of the import benchmarks: the heading row and `rows` rows of 17
// columns with quoted commas, inch marks and empty cells. Exits the process when the
// file cannot be written.

#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "exchange/ProductCsv.h"

namespace benchfiles {

inline void WriteProductFile(const QString& path, int rows) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) {
    std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
    std::exit(1);
  }
  f.write((productcsv::HeadingRow() + QStringLiteral("\r\n")).toUtf8());
  for (int i = 0; i < rows; ++i) {
    const QString row = QStringLiteral(
                            "Product %1 %2,PN-%3,Aisle %4 Bin %5,Group %6,%7,%8,%9,%10 days,"
                            "\"Maker %11, Inc.\",Vendor %12,%13.25,%14.99,\"Size %15\"\"\",,Custom %16,,"
                            "Notes for product %1 kept on one line\r\n")
                            .arg(QChar(u'A' + i % 26))
                            .arg(i)
                            .arg(100000 + i)
                            .arg(i % 40)
                            .arg(i % 97)
                            .arg(i % 30)
                            .arg(i % 500)
                            .arg(i % 50)
                            .arg(i % 200)
                            .arg(1 + i % 30)
                            .arg(i % 300)
                            .arg(i % 120)
                            .arg(i % 900)
                            .arg(i % 1900)
                            .arg(i % 48)
                            .arg(i % 7);
    f.write(row.toUtf8());
  }
}

}  // namespace benchfiles
