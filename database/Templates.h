#pragma once
// Writing the template files of a new database from the schema (database/Schema.h):
// every table's .db_/.cd_/.fp_ (the report column catalogue as svlrepcols.dbf/.cdx),
// with the counter rows, the built-in report definitions and the catalogue rows read
// from a CSV file. Used by the build-time generator and by tests; the program only
// copies the files this writes.

#include <QString>
#include <QStringList>
#include <QList>

struct CODE4;
struct DATA4;
namespace dbschema {
struct Table;
}

namespace dbtemplates {

// Creates the table's files at `dbfPath` (with .cdx and, when it has memos, .fpt
// beside it) and opens it on `engine`; null on failure.
DATA4* CreateTable(CODE4* engine, const QString& dbfPath, const dbschema::Table& table);

// Reads a CSV file: a UTF-8 byte-order mark is skipped; text is UTF-8 when valid, else
// code page 1252; CR, LF and CR LF end a record outside double quotes; fields are
// comma-separated; a field that begins with a double quote is quoted and may hold
// commas, line breaks and "" for a quote.
// False with `error` set when the file cannot be read.
bool ReadCsv(const QString& path, QList<QStringList>* rows, QString* error);

// Writes every template into `folder` (created when missing). The catalogue rows come
// from `catalogueCsv`: a header of field names, then one row per column, each field
// filled by its name; an empty path writes an empty catalogue. The files are built in
// a temporary folder beside them and renamed into place, so a failed run leaves the
// old templates. Empty result on success, else what went wrong.
QString WriteTemplates(const QString& folder, const QString& catalogueCsv);

}  // namespace dbtemplates
