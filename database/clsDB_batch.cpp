// clsDB: batches of writes, holding the counters table and the data file paths for a
// run.

#include "database/DbAccess.h"
#include "database/clsDB.h"
#include "services/clsSystem.h"

clsDB::Batch::Batch(clsDB& db) : db_(db) { ++db_.m_batch.depth; }

clsDB::Batch::~Batch() {
  if (db_.m_batch.depth > 0 && --db_.m_batch.depth == 0) db_.EndBatch();
}

// The counters table closes with the state.
void clsDB::EndBatch() { m_batch = BatchState{}; }

// One handle for every counter: a second one would find the index changed by the
// first at each write and read its pages again.
DATA4* clsDB::BatchCounters() {
  if (!InBatch() || m_engine.code == nullptr) return nullptr;
  if (!m_batch.countersOpened) {
    m_batch.countersOpened = true;
    // Opened quietly: where it does not open each call opens the table and reports.
    m_batch.counters = store::Table::Open(m_engine, LastIdTable());
  }
  return m_batch.counters.get();
}

QString clsDB::StoredTranDate(const QString& sDate) const {
  if (!InBatch()) return gSystem().CBDateFormat(sDate);
  if (sDate != m_batch.lastDate || m_batch.lastStoredDate.isNull()) {
    m_batch.lastStoredDate = gSystem().CBDateFormat(sDate);
    m_batch.lastDate = sDate;
  }
  return m_batch.lastStoredDate;
}
