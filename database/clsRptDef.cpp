// clsRptDef: the record text (parse and build), reset and the simple properties.
// Storage in the parameter table and the column catalogue: clsRptDef_store.cpp.
#include "database/clsRptDef.h"

#include <QSet>

#include "database/store/Reports.h"
#include "platform/runtime/Convert.h"
#include "platform/runtime/Error.h"
#include "platform/ui/Prompt.h"
#include "services/clsSystem.h"

namespace {

const QString kFieldDelim = QStringLiteral("^");
const QString kListDelim = QStringLiteral("~");
const QChar kAltFieldDelim(0x00FE);  // code 254
const QChar kAltListDelim(0x00FD);   // code 253

constexpr int kNumFields = 5;
constexpr int kNumInvCriteriaOld = 5;  // records before the location piece
constexpr int kNumInvCriteria = 6;
constexpr int kNumTranCriteria = 7;
constexpr int kNumOptions = 5;

QString BoolText(bool b) {
  return b ? QStringLiteral("True") : QStringLiteral("False");
}

// Pieces of a field split by StrParse2Array (entry 0 unused).
int32_t PieceCount(const QStringList& ar) {
  return static_cast<int32_t>(ar.size()) - 1;
}

}  // namespace

clsRptDef::clsRptDef() {
  InitDelim(QString());
}

void clsRptDef::InitDelim(const QString& sRptBuf) {
  // A record written with "^" always holds at least four of them (title and search
  // text are escaped); the characters 254 and 253 inside such a record belong to its
  // title or search text and do not make it an alternate-delimited one.
  const bool hasAlt = sRptBuf.contains(kAltFieldDelim) || sRptBuf.contains(kAltListDelim);
  if (hasAlt && sRptBuf.count(kFieldDelim) < kNumFields - 1) {
    m_sFieldDelim = QString(kAltFieldDelim);
    m_sListDelim = QString(kAltListDelim);
  } else {
    m_sFieldDelim = kFieldDelim;
    m_sListDelim = kListDelim;
  }
}

void clsRptDef::CreateNew(int32_t eRptType) {
  ResetRptDef();
  m_nRptType = eRptType;
}

bool clsRptDef::InitFromBuf(const QString& sRptBuf, int32_t nRptID) {
  ResetRptDef();
  m_sRptBuf = sRptBuf;
  m_nRptID = nRptID;
  return ParseRptBuffer();
}

QString clsRptDef::EncodeSpecialChars(const QString& s) const {
  QString r = s;
  r.replace(kFieldDelim, QStringLiteral("&hat;"));
  r.replace(kListDelim, QStringLiteral("&tilda;"));
  return r;
}

QString clsRptDef::DecodeSpecialChars(const QString& s) const {
  QString r = s;
  r.replace(QStringLiteral("&hat;"), kFieldDelim);
  r.replace(QStringLiteral("&tilda;"), kListDelim);
  return r;
}

QString clsRptDef::RptDBID() const { return store::Reports::Key(m_nRptID); }

QString clsRptDef::RptTypeDesc() const {
  switch (m_nRptType) {
    case 1: return QStringLiteral("Inventory");
    case 2: return QStringLiteral("Transactions");
    default: return QStringLiteral("Undefined");
  }
}

bool clsRptDef::RequiresProdStats() const {
  for (const clsRptColDef& col : m_collColumnDefs)
    if (col.m_bRequiresProdStats) return true;
  return false;
}

bool clsRptDef::RequiresToBeTotaled() const {
  for (const clsRptColDef& col : m_collColumnDefs)
    if (col.m_bCanBeTotal) return true;
  return false;
}

void clsRptDef::ResetRptDef() {
  m_nRptID = -1;
  m_sRptName = QStringLiteral("Untitled ") + QString::number(gSystem().NextDocNum());
  m_nRptType = 1;
  m_bAllowEditRptDef = true;
  m_collColumns.clear();
  m_udTranSelCriteria.Init();
  m_udInvSelCriteria.Init();
  m_udRptOptions.Init();
}

QStringList clsRptDef::SplitList(const QString& sField) const {
  QStringList ar;
  gSystem().StrParse2Array(sField, ar, m_sListDelim, false);
  return ar;
}

bool clsRptDef::ParseRptBuffer() {
  if (m_sRptBuf.isEmpty()) return false;
  try {
    InitDelim(m_sRptBuf);
    gSystem().StrParse2Array(m_sRptBuf, m_arFields, m_sFieldDelim, false);
    if (PieceCount(m_arFields) < kNumFields) {
      ui::MsgBox(QStringLiteral("Unable to parse report record. Invalid report record format!"),
                 ui::vbExclamation);
      return false;
    }
    m_sRptName = DecodeSpecialChars(m_arFields[2]);
    m_nRptType = rt::CLngStored(m_arFields[1]);

    // A column listed twice is kept once, at its first place: the grids and the
    // column chooser hold every column at most once.
    const QStringList cols = SplitList(m_arFields[3]);
    QSet<int32_t> seen;
    for (qsizetype i = 1; i < cols.size(); ++i)
      if (rt::ParseStored(cols[i]) && !seen.contains(rt::CLngStored(cols[i]))) {
        seen.insert(rt::CLngStored(cols[i]));
        m_collColumns.append(cols[i]);
      }

    ParseCriteria(m_arFields[4]);
    ParseOptions(m_arFields[5]);
    return true;
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("clsRptDef_ParseRptBuffer"));
    return false;
  }
}

// Members are filled piece by piece, so a failing piece leaves the earlier ones set.
void clsRptDef::ParseCriteria(const QString& sField) {
  const QStringList ar = SplitList(sField);
  const int32_t n = PieceCount(ar);
  if (m_nRptType == 1 && n >= kNumInvCriteriaOld) {
    clsInvSelCriteria& c = m_udInvSelCriteria;
    c.m_nProductGroup = rt::CLngStored(ar[1]);
    c.m_udInvLevel = rt::CLngStored(ar[2]);
    c.m_udProdSearchByName = rt::CLngStored(ar[3]);
    c.m_NameSearchStr = DecodeSpecialChars(ar[4]);
    c.m_udIndicate = rt::CLngStored(ar[5]);
    if (n >= kNumInvCriteria) c.m_nProductLocation = rt::CLngStored(ar[6]);
  } else if (m_nRptType == 2 && n >= kNumTranCriteria) {
    clsTranSelCriteria& c = m_udTranSelCriteria;
    c.m_udTranType = rt::CLngStored(ar[1]);
    c.m_nProductID = rt::CLngStored(ar[2]);
    c.m_nTranCatID = rt::CLngStored(ar[3]);
    c.m_nTranAcctID = rt::CLngStored(ar[4]);
    c.SetDate(rt::CLngStored(ar[5]), ar[6], ar[7]);
  }
}

void clsRptDef::ParseOptions(const QString& sField) {
  const QStringList ar = SplitList(sField);
  if (PieceCount(ar) < kNumOptions) return;
  const clsSystem& sys = gSystem();
  clsRptOptions& o = m_udRptOptions;
  o.m_bAllowDataEdit = sys.Str2Bool(ar[1]);
  o.m_nNumOfColumns2Freeze = rt::CLngStored(ar[2]);
  o.m_bShowRowNumbers = sys.Str2Bool(ar[3]);
  o.m_udPageOrientation = rt::CLngStored(ar[4]);
  o.m_udRptColSortOrder = rt::CLngStored(ar[5]);
}

QString clsRptDef::BuildCriteria() const {
  QStringList pieces;
  if (m_nRptType == 1) {
    const clsInvSelCriteria& c = m_udInvSelCriteria;
    pieces = {QString::number(c.m_nProductGroup), QString::number(c.m_udInvLevel),
              QString::number(c.m_udProdSearchByName), EncodeSpecialChars(c.m_NameSearchStr),
              QString::number(c.m_udIndicate), QString::number(c.m_nProductLocation)};
  } else if (m_nRptType == 2) {
    const clsTranSelCriteria& c = m_udTranSelCriteria;
    pieces = {QString::number(c.m_udTranType), QString::number(c.m_nProductID),
              QString::number(c.m_nTranCatID), QString::number(c.m_nTranAcctID),
              QString::number(c.m_DtRange), c.DateBegin(), c.DateEnd()};
  }
  return pieces.join(kListDelim);
}

QString clsRptDef::BuildOptions() const {
  const clsRptOptions& o = m_udRptOptions;
  return QStringList{BoolText(o.m_bAllowDataEdit), QString::number(o.m_nNumOfColumns2Freeze),
                     BoolText(o.m_bShowRowNumbers), QString::number(o.m_udPageOrientation),
                     QString::number(o.m_udRptColSortOrder)}
      .join(kListDelim);
}

QString clsRptDef::BuildRptBuffer() {
  InitDelim(QString());
  QStringList fields;
  try {
    fields << QString::number(m_nRptType) << EncodeSpecialChars(m_sRptName)
           << m_collColumns.join(kListDelim) << BuildCriteria() << BuildOptions();
  } catch (...) {
    rt::TrapError();
    gSystem().ShowError(QStringLiteral("clsRptDef_ParseRptBuffer"));
  }
  return fields.join(kFieldDelim);
}
