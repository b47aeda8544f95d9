#pragma once
// Report definitions and the report column catalogue. A definition is one line of
// text (its format: clsRptDef) stored in the parameter table under "~" & its id; new
// ids come from the counter "rptlastid", the first being 1000. The catalogue
// (svlrepcols) describes the columns a definition lists by id; the program only reads
// it. The list of stored definitions: ReadReportDefs (Lists.h).
//
// Each call works on the caller's open table when one is given (left open), else
// opens and closes it. Failures: kNotFound (no definition, or an empty one; no
// catalogue row), kLocked (the definition's row or the counter is held by another
// user; nothing was written or handed out), kNotStored, kNotOpened, kError.

#include <QString>
#include <cstdint>
#include <vector>

#include "database/store/Result.h"
#include "database/store/Session.h"

struct DATA4;

namespace store {

// One catalogue row; texts trimmed.
struct ReportColumn {
  int32_t id = -1;
  int32_t reportType = -1;
  QString name;           // default heading
  QString customNameKey;  // parameter that may hold a custom heading
  QString field;
  QString table;
  QString dataType;
  bool canBeTotal = false;
  bool requiresStats = false;
  int32_t listType = -1;  // list whose descriptions the column shows
  QString alignment;
  int32_t order = -1;
};

class Reports {
 public:
  explicit Reports(Session session) : session_(std::move(session)) {}

  // "~" & id: the parameter name a definition is stored under.
  static QString Key(int32_t id);

  Result<QString> Read(int32_t id, DATA4* params = nullptr) const;
  // Takes the next id from the counter.
  Result<int32_t> NewId() const;
  // Stores the text under the id, replacing what was there.
  Status Write(int32_t id, const QString& text, DATA4* params = nullptr) const;

  Result<ReportColumn> Column(int32_t id, DATA4* catalogue = nullptr) const;
  // The catalogue rows of a report type in the catalogue's order (tag order); the rows
  // read before a failure are kept.
  Status Columns(int32_t reportType, std::vector<ReportColumn>& rows, DATA4* catalogue = nullptr) const;

  static constexpr char kColumnsFile[] = "svlrepcols.dbf";
  static constexpr char kCounter[] = "rptlastid";
  static constexpr int32_t kFirstId = 1000;

 private:
  Session session_;
};

}  // namespace store
