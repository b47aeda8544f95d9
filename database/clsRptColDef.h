#pragma once
// clsRptColDef: one row of the report column catalogue (table svlrepcols): what a
// report column is called, where its value comes from, how it is shown and totalled.
// clsRptColDefs: the column definitions of one report, in display order, each under
// the key "N" & column id. Plain records; the program never writes the catalogue.

#include <QString>
#include <cstdint>
#include <vector>

#include "database/clsDB.h"

struct DATA4;

class clsRptColDef {
 public:
  int32_t m_nRowID = -1;          // column id
  int32_t m_nRptType = -1;        // RptType the column belongs to
  QString m_sName;                // default heading
  QString m_sCustomNameKey;       // parameter that may hold a custom heading
  QString m_sCustomName;          // that parameter's value
  QString m_sDisplayName;         // heading shown in grids
  QString m_sFldName;             // source field
  QString m_sTableName;           // source table
  QString m_sDataType;            // "S" text, "I" integer, "U" units, "C" per unit,
                                  // "A" amount, "D" stored date
  bool m_bCanBeTotal = false;
  bool m_bRequiresProdStats = false;  // value comes from the product's stock figures
  int32_t m_nCatTypeID = -1;      // list type whose descriptions the column shows
  QString m_sAlignment;           // "C" centred, "R" right, else left
  int32_t m_nOrder = -1;          // position in the column chooser

  // Reads catalogue row `nColID`. `hRptColTable` is an open catalogue handle or null
  // (the call then opens and closes the catalogue itself); `tbParam` likewise for the
  // parameter table (custom headings). `sPrependDispName` is appended to the display
  // name. True when the row was found; False (members at their Init values) when not;
  // errors are reported as "clsRptColDef_Read" and give False. `db`: the database
  // object it reads through.
  bool Read(int32_t nColID, DATA4* hRptColTable, DATA4* tbParam,
            const QString& sPrependDispName, clsDB& db = gDB());
  void Init();
};

class clsRptColDefs {
 public:
  // Appends `def` under `key` ("N" & id). A key already present is not given to the
  // new entry, so a column selected twice still gets its own definition.
  void Add(const clsRptColDef& def, const QString& key);
  void Clear() {
    items_.clear();
    keys_.clear();
  }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // Positions count from 1; VbError 5 when out of range or the key is missing.
  const clsRptColDef& Item(int32_t index) const;
  clsRptColDef& Item(int32_t index);
  const clsRptColDef& Item(const QString& key) const;
  bool Exists(const QString& key) const;

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<clsRptColDef> items_;
  std::vector<QString> keys_;  // upper case, parallel to items_; empty for none
};
