#include "database/Templates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "database/Schema.h"
#include "platform/runtime/Codepage.h"
#include "platform/xbase/Engine.h"

namespace dbtemplates {
namespace {

struct EngineDeleter {
  void operator()(CODE4* c) const { d4initUndo(c); }
};
using Engine = std::unique_ptr<CODE4, EngineDeleter>;

QString Ext(const QString& path, const char* ext) {
  return path.left(path.size() - 3) + QLatin1String(ext);
}

QString DecodeText(const QByteArray& bytes) {
  QByteArray b = bytes;
  if (b.startsWith("\xEF\xBB\xBF")) b.remove(0, 3);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(b);
  if (!utf8.hasError()) return text;
  return rt::FromCp1252(std::string_view(b.constData(), static_cast<size_t>(b.size())));
}

// Assigns text to a field of the record being appended; false when it does not fit.
bool AssignText(FIELD4* f, const QString& value, const dbschema::Field& def, QString* error) {
  const std::string bytes = rt::ToCp1252(value.trimmed());
  if (def.type == 'C' && static_cast<int>(bytes.size()) > def.len) {
    *error = QStringLiteral("\"%1\" is longer than field %2 (%3)").arg(value, QLatin1String(def.name)).arg(def.len);
    return false;
  }
  if (def.type == 'L' && !bytes.empty() && QByteArray("TtFfYyNn").indexOf(bytes[0]) < 0) {
    *error = QStringLiteral("\"%1\" is not a flag (field %2)").arg(value, QLatin1String(def.name));
    return false;
  }
  if (def.type == 'N' && !bytes.empty()) {
    bool ok = false;
    QString::fromStdString(bytes).toDouble(&ok);
    if (!ok) {
      *error = QStringLiteral("\"%1\" is not a number (field %2)").arg(value, QLatin1String(def.name));
      return false;
    }
  }
  const int r = def.type == 'M' ? f4memoAssignN(f, bytes.data(), static_cast<unsigned>(bytes.size()))
                                : f4assignNVB(f, bytes.data(), static_cast<int>(bytes.size()));
  if (r != 0) {
    *error = QStringLiteral("\"%1\" does not fit field %2 (%3)").arg(value, QLatin1String(def.name)).arg(r);
    return false;
  }
  return true;
}

bool AppendRow(DATA4* d, const dbschema::Table& table, const QStringList& names, const QStringList& values,
               QString* error) {
  if (d4appendStartVB(d, 0) != 0 || d4blank(d) != 0) {
    *error = QStringLiteral("%1: cannot start a record").arg(QLatin1String(table.name));
    return false;
  }
  for (qsizetype i = 0; i < names.size(); ++i) {
    const dbschema::Field* def = table.FindField(names[i].toStdString());
    FIELD4* f = def ? d4field(d, def->name) : nullptr;
    if (!f) {
      *error = QStringLiteral("%1 has no field %2").arg(QLatin1String(table.name), names[i]);
      return false;
    }
    if (!AssignText(f, i < values.size() ? values[i] : QString(), *def, error)) return false;
  }
  if (d4append(d) != 0) {
    *error = QStringLiteral("%1: cannot append a record").arg(QLatin1String(table.name));
    return false;
  }
  return true;
}

bool FillRows(DATA4* d, const dbschema::Table& table, const QString& csv, QString* error) {
  const std::string name = table.name;
  if (name == "svlid") {
    for (const dbschema::CounterRow& r : dbschema::TemplateCounters()) {
      if (!AppendRow(d, table, {QStringLiteral("tblname"), QStringLiteral("lastid")},
                     {QLatin1String(r.key), QString::number(r.next)}, error)) {
        return false;
      }
    }
  } else if (name == "svlparam") {
    for (const dbschema::ParamRow& r : dbschema::TemplateParams()) {
      if (!AppendRow(d, table, {QStringLiteral("sid"), QStringLiteral("value")},
                     {QString::fromLatin1(r.sid).toUpper(), QLatin1String(r.value)}, error)) {
        return false;
      }
    }
  } else if (name == "svlrepcols" && !csv.isEmpty()) {
    QList<QStringList> rows;
    if (!ReadCsv(csv, &rows, error)) return false;
    if (rows.isEmpty()) return true;
    QStringList header = rows.takeFirst();
    for (QString& h : header) h = h.trimmed();
    for (const QStringList& row : rows) {
      if (row.size() == 1 && row[0].trimmed().isEmpty()) continue;  // a blank line
      if (!AppendRow(d, table, header, row, error)) {
        *error = csv + QStringLiteral(": ") + *error;
        return false;
      }
    }
  }
  return true;
}

}  // namespace

DATA4* CreateTable(CODE4* engine, const QString& dbfPath, const dbschema::Table& table) {
  std::vector<FIELD4INFO> fields;
  for (const dbschema::Field& f : table.fields) fields.push_back({f.name, f.type, f.len, f.dec});
  fields.push_back({nullptr, 0, 0, 0});
  std::vector<std::string> exprs;
  exprs.reserve(table.tags.size());
  for (const dbschema::Tag& t : table.tags) exprs.push_back(dbschema::KeyExpression(t));
  std::vector<TAG4INFO> tags;
  for (size_t i = 0; i < table.tags.size(); ++i) {
    tags.push_back({table.tags[i].name, exprs[i].c_str(), dbschema::kTagFilter, 0,
                    table.tags[i].descending ? 1 : 0});
  }
  tags.push_back({nullptr, nullptr, nullptr, 0, 0});
  return d4create(engine, QFile::encodeName(dbfPath).constData(), fields.data(), tags.data());
}

bool ReadCsv(const QString& path, QList<QStringList>* rows, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = path + QStringLiteral(": ") + file.errorString();
    return false;
  }
  const QString text = DecodeText(file.readAll());
  rows->clear();
  QStringList row;
  QString field;
  bool quoted = false;
  bool any = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c == QLatin1Char('"')) {
        if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
          field += c;
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field += c;
      }
      continue;
    }
    if (c == QLatin1Char('"') && field.isEmpty()) {  // a quote opens a field only at its start
      quoted = true;
      any = true;
    } else if (c == QLatin1Char(',')) {
      row << field;
      field.clear();
      any = true;
    } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
      if (any || !field.isEmpty()) {
        row << field;
        rows->append(row);
      }
      row.clear();
      field.clear();
      any = false;
    } else {
      field += c;
    }
  }
  if (any || !field.isEmpty()) {
    row << field;
    rows->append(row);
  }
  return true;
}

QString WriteTemplates(const QString& folder, const QString& catalogueCsv) {
  if (!QDir().mkpath(folder)) return folder + QStringLiteral(": cannot create the folder");
  QTemporaryDir work(QDir(folder).filePath(QStringLiteral(".templates-XXXXXX")));
  if (!work.isValid()) return folder + QStringLiteral(": cannot create a temporary folder");
  Engine engine(d4init_v());
  if (!engine) return QStringLiteral("the engine cannot start");

  // (built name, final name) of every file written.
  QList<QPair<QString, QString>> files;
  for (const dbschema::Table& table : dbschema::Tables()) {
    const QString dbf = work.filePath(QLatin1String(table.name) + QStringLiteral(".dbf"));
    DATA4* d = CreateTable(engine.get(), dbf, table);
    if (!d) return dbf + QStringLiteral(": cannot create the table");
    QString error;
    const bool filled = FillRows(d, table, catalogueCsv, &error);
    const int closed = d4close(d);
    if (!filled) return error;
    if (closed != 0) return dbf + QStringLiteral(": cannot write the table");
    QStringList exts = {QStringLiteral("dbf"), QStringLiteral("cdx")};
    if (table.HasMemo()) exts << QStringLiteral("fpt");
    for (const QString& ext : exts) {
      files.append({Ext(dbf, ext.toLatin1().constData()),
                    QDir(folder).filePath(QString::fromStdString(dbschema::TemplateFileName(table, ext.toStdString())))});
    }
  }
  for (const auto& [built, final] : files) {
    // rename() replaces the old template in one step.
    if (std::rename(QFile::encodeName(built).constData(), QFile::encodeName(final).constData()) != 0) {
      return final + QStringLiteral(": cannot write the file");
    }
  }
  return {};
}

}  // namespace dbtemplates
