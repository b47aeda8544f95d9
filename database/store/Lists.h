#pragma once
// Rows for lists: the entries of a list table (the categories, or any table with an id
// and a text field and a tag named as the text field) in the order of that tag, the
// visible products for a product list, a product search, and the stored report
// definitions. Windows and the facade's list and combo fillers show these rows; the
// store reads them and nothing else.
//
// Each works on the caller's open table when `open` is given, else opens its own.
// Failures: kNotOpened, kError. The rows read before an error are kept in `rows`.

#include <QString>
#include <cstdint>
#include <vector>

#include "database/store/Codes.h"
#include "database/store/Products.h"
#include "database/store/Result.h"
#include "database/store/Session.h"

struct DATA4;

namespace store {

struct ListRow {
  int32_t id = 0;
  QString text;  // trimmed
};

// The rows of the table at `tablePath` in the order of the tag `textField`; with a
// `typeField`, only the rows whose type holds `type`.
Status ReadList(const Session& s, DATA4* open, const QString& tablePath, const QString& idField,
                const QString& textField, const QString& typeField, int32_t type, std::vector<ListRow>& rows);

// The visible products in part-number or name order (SearchType), or with `prefix`
// those whose part number or name begins with it (trimmed, any case; an empty prefix
// lists nothing). Hidden products are left out.
Status ReadProducts(const Session& s, DATA4* open, SearchType order, std::vector<ProductListRow>& rows);
Status SearchProducts(const Session& s, DATA4* open, SearchType by, const QString& prefix,
                      std::vector<ProductListRow>& rows);

// Every product in part-number or name order (SearchType), hidden ones included.
Status ReadProductGrid(const Session& s, DATA4* open, SearchType order, std::vector<ProductGridRow>& rows);

struct ReportDefRow {
  int32_t id = 0;
  QString buffer;  // the stored definition, trimmed
};

// The stored report definitions: parameters named "~" and a number, in name order;
// with `userDefinedOnly` only numbers from 100 on.
Status ReadReportDefs(const Session& s, DATA4* open, bool userDefinedOnly, std::vector<ReportDefRow>& rows);

}  // namespace store
