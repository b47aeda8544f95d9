#pragma once
// clsRptDef: one report definition (type, title, columns, criteria, options) and the
// only reader and writer of its stored form: one line of text in the parameter table
// under "~" & report id, five fields joined by "^" (lists inside joined by "~"):
//   type ^ title ^ column ids ^ criteria ^ options
// e.g. "1^Quick Inventory^1002~1001~1014^-1~0~0~~0~-1^True~1~True~2~0". Reading also
// accepts records delimited by the characters 254 and 253; writing never uses them.
// Owns its members for its whole life. Single-threaded. The members that read or
// write the database take the database object they work on (by default the run's).

#include "database/clsDB.h"
#include "database/clsInvSelCriteria.h"
#include "database/clsRptColDef.h"
#include "database/clsRptOptions.h"
#include "database/clsTranSelCriteria.h"

#include <QString>
#include <QStringList>
#include <cstdint>

class clsRptDef {
 public:
  clsRptDef();

  QStringList m_collColumns;        // selected column ids, decimal text, display order
  clsRptColDefs m_collColumnDefs;   // filled only by ReadColDefs
  clsTranSelCriteria m_udTranSelCriteria;
  clsInvSelCriteria m_udInvSelCriteria;
  clsRptOptions m_udRptOptions;

  // Reset, then read and parse the record stored under "~" & nRptID. No record:
  // "Unable to read report with ID: " & id (exclamation box) and False.
  bool LoadExisting(int32_t nRptID, clsDB& db = gDB());
  // Chooses the delimiters for a record text ("^" and "~", or 254 and 253).
  void InitDelim(const QString& sRptBuf);
  // Reset, then set the report type (1 inventory, 2 transactions).
  void CreateNew(int32_t eRptType);
  // Reset, keep the text and the id, parse. False for an empty or unreadable record.
  bool InitFromBuf(const QString& sRptBuf, int32_t nRptID);
  // "^" -> "&hat;", then "~" -> "&tilda;"; and back.
  QString EncodeSpecialChars(const QString& s) const;
  QString DecodeSpecialChars(const QString& s) const;
  // Reads one catalogue row per selected column into m_collColumnDefs (a column not in
  // the catalogue is kept with the display name "unknown"). False when the catalogue
  // cannot be opened or on an error ("clsRptDef_ReadColDefs").
  bool ReadColDefs(clsDB& db = gDB());

  QString RptName() const { return m_sRptName; }
  void SetRptName(const QString& sName) { m_sRptName = sName; }
  int32_t RptID() const { return m_nRptID; }
  QString RptDBID() const;      // "~" & id
  QString RptTypeDesc() const;  // "Inventory", "Transactions" or "Undefined"
  int32_t RptType() const { return m_nRptType; }

  // Stores a copy titled "Copy of " & title under a new id; the new id and its title
  // in sNewName, or -1 (sNewName unchanged). This definition is not changed.
  int32_t MakeCopy(QString& sNewName, clsDB& db = gDB());
  // Stores the definition (a new id from the counter "rptlastid" when it has none);
  // the id, or -1 on failure (the definition then has id -1).
  int32_t SaveRptDef(clsDB& db = gDB());

  bool AllowEditRptDef() const { return m_bAllowEditRptDef; }
  void SetAllowEditRptDef(bool bAllow) { m_bAllowEditRptDef = bAllow; }
  // Whether some column of m_collColumnDefs needs stock figures / can be totalled.
  bool RequiresProdStats() const;
  bool RequiresToBeTotaled() const;

 private:
  friend struct clsRptDefTestAccess;

  bool ParseRptBuffer();
  QString BuildRptBuffer();
  bool ReadRptDef(int32_t nRptID, QString& sRptBuf, clsDB& db);
  int32_t WriteRptDef(int32_t nRptID, const QString& sRptBuf, clsDB& db);
  void ResetRptDef();
  QString BuildCriteria() const;
  QString BuildOptions() const;
  void ParseCriteria(const QString& sField);
  void ParseOptions(const QString& sField);
  QStringList SplitList(const QString& sField) const;

  int32_t m_nRptID = 0;
  QString m_sRptName;
  int32_t m_nRptType = 0;
  bool m_bAllowEditRptDef = true;
  QString m_sFieldDelim;
  QString m_sListDelim;
  QString m_sRptBuf;
  QStringList m_arFields;
};
