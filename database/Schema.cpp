#include "database/Schema.h"

#include <cctype>

namespace dbschema {
namespace {

// Widths: ids and whole numbers hold any 32-bit signed value ("-2147483648" is 11
// characters); amounts hold a currency value's 4 decimals; texts what the editors
// accept (part number 40, name 120, lead time 20, custom fields 80, list entries 40).
constexpr int kIdLen = 11;
constexpr int kAmountLen = 20;
constexpr int kAmountDec = 4;

Field Id(const char* name) { return {name, 'N', kIdLen, 0}; }
Field Amount(const char* name) { return {name, 'N', kAmountLen, kAmountDec}; }
Field Text(const char* name, int len) { return {name, 'C', len, 0}; }
Field Memo(const char* name) { return {name, 'M', 10, 0}; }
Field Flag(const char* name) { return {name, 'L', 1, 0}; }
Field Date(const char* name) { return {name, 'D', 8, 0}; }

Tag Numeric(const char* name) { return {name, name, KeyForm::kNumber, false}; }
Tag Upper(const char* name) { return {name, name, KeyForm::kUpper, false}; }

std::vector<Table> MakeTables() {
  std::vector<Table> t;
  t.push_back({"svlprod",
               {Id("rowid"), Text("partno", 40), Text("prodname", 120), Id("location"),
                Id("groupid"), Flag("hide"), Amount("reordlev"), Amount("reordqty"),
                Text("leadtime", 20), Id("manuf"), Id("vendor"), Amount("stdcost"),
                Amount("stdprice"), Text("custom1", 80), Text("custom2", 80),
                Text("custom3", 80), Text("custom4", 80), Memo("notes")},
               {Numeric("rowid"), Upper("partno"), Upper("prodname")}});
  t.push_back({"svltran",
               {Id("rowid"), Id("prodid"), Date("trandate"), Id("trantype"), Amount("units"),
                Amount("unitprc"), Memo("notes"), Id("catid"), Id("shipmethod"), Id("whseid")},
               {Numeric("rowid"), Numeric("prodid"), Numeric("trantype"),
                // Newest first: a history read in this order shows the latest
                // transactions first, also when the load is cancelled part-way.
                {"trndt_d", "trandate", KeyForm::kDate, true}}});
  t.push_back({"svlcat", {Id("rowid"), Text("desc", 40), Id("type")}, {Numeric("rowid"), Upper("desc")}});
  t.push_back({"svlid", {Text("tblname", 40), Id("lastid")}, {{"TBLNAME", "tblname", KeyForm::kAsStored, false}}});
  t.push_back({"svlparam", {Text("sid", 50), Memo("value")}, {Upper("sid")}});
  t.push_back({"svluser", {Id("rowid"), Text("username", 40), Memo("settings")}, {Numeric("rowid")}});
  Table cols{"svlrepcols",
             {Id("rowid"), Id("rpttype"), Text("name", 60), Text("fldname", 20),
              Text("tblname", 20), Text("datatype", 10), Flag("canbetotal"), Flag("reqprdstat"),
              Id("cattypeid"), Text("alignment", 10), Text("cusnamekey", 50), Id("order")},
             {Numeric("rowid"), Numeric("order")}};
  cols.shippedAsIs = true;
  t.push_back(std::move(cols));
  return t;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool Table::HasMemo() const {
  for (const Field& f : fields) {
    if (f.type == 'M') return true;
  }
  return false;
}

const Field* Table::FindField(std::string_view n) const {
  for (const Field& f : fields) {
    if (EqualsNoCase(f.name, n)) return &f;
  }
  return nullptr;
}

const std::vector<Table>& Tables() {
  static const std::vector<Table> tables = MakeTables();
  return tables;
}

const Table* FindTable(std::string_view name) {
  for (const Table& t : Tables()) {
    if (EqualsNoCase(t.name, name)) return &t;
  }
  return nullptr;
}

std::string KeyExpression(const Tag& tag) {
  switch (tag.form) {
    case KeyForm::kUpper: return std::string("UPPER(") + tag.field + ")";
    case KeyForm::kDate: return std::string("DTOS(") + tag.field + ")";
    case KeyForm::kNumber:
    case KeyForm::kAsStored: break;
  }
  return tag.field;
}

std::string TemplateFileName(const Table& table, std::string_view ext) {
  std::string name = std::string(table.name) + "." + std::string(ext);
  if (!table.shippedAsIs && !name.empty()) name.back() = '_';
  return name;
}

const std::vector<CounterRow>& TemplateCounters() {
  static const std::vector<CounterRow> rows = {
      {"svlprod.dbf", 1000}, {"svltran.dbf", 1000}, {"svlcat.dbf", 1000}, {"dbversion", kDbVersion}};
  return rows;
}

const std::vector<ParamRow>& TemplateParams() {
  static const std::vector<ParamRow> rows = {
      {"~1", "1^Found Products^1001~1002~1003~1004~1005~1006^-1~0~0~~0^True~1~True~2~0"},
      {"~2",
       "2^Transactions for a Product^2001~2002~2003~2004~2005~2006~2007~2008~2009~2010^0~-1~-1~-1~0~"
       "20030216~20030216^True~1~True~2~1"},
      {"~101",
       "2^Transaction History^2001~2002~2003~2004~2005~2006~2007~2008~2009~2010^0~-1~-1~-1~0~20030216~"
       "20030216^True~1~True~2~1"},
      {"~102",
       "1^Inventory of All Products^1001~1002~1003~1004~1005~1006~1007~1008~1009~1010~1011~1012~1013~"
       "1014~1015~1016~1017~1020~1028~1029~1021~1025~1022~1026~1023~1024~1018~1019~1027^-1~0~0~~1^"
       "True~2~True~2~0"},
      {"~103",
       "1^Out of Stock Products only (zero available units)^1001~1002~1003~1004~1005~1006~1011~1014~"
       "1015~1016~1017^-1~2~0~~0^True~2~True~2~0"},
      {"~104",
       "1^Re-Order Products only (at or below re-order level)^1001~1002~1003~1004~1005~1006~1011~1014~"
       "1015~1016~1017^-1~3~0~~0^True~2~True~2~0"},
      {"~105",
       "1^All EXCEPT products with zero available units^1001~1002~1003~1004~1005~1006~1011~1014~1015~"
       "1016~1017^-1~1~0~~0^True~2~True~2~0"},
  };
  return rows;
}

}  // namespace dbschema
