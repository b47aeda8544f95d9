#include "database/SampleDatabase.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "database/Schema.h"
#include "database/store/Session.h"
#include "platform/runtime/Codepage.h"
#include "platform/xbase/Engine.h"

namespace dbsample {
namespace {

struct EngineDeleter {
  void operator()(CODE4* c) const { d4initUndo(c); }
};

struct Failure {
  QString what;
};

void Ok(int rc, const char* what) {
  if (rc != 0) throw Failure{QStringLiteral("%1 failed (%2)").arg(QLatin1String(what)).arg(rc)};
}

// One open table with its fields by name.
class Writer {
 public:
  Writer(store::Engine& engine, const QString& path) : table_(store::Table::Open(engine, path)), d_(table_.get()) {
    if (!d_) throw Failure{path + QStringLiteral(": cannot open")};
  }

  void Start() {
    Ok(d4appendStartVB(d_, 0), "d4appendStartVB");
    Ok(d4blank(d_), "d4blank");
  }
  void Number(const char* name, double v) { Ok(f4assignDouble(F(name), v), name); }
  void Text(const char* name, const QString& v) {
    const std::string b = rt::ToCp1252(v);
    Ok(f4assignNVB(F(name), b.data(), static_cast<int>(b.size())), name);
  }
  void Memo(const char* name, const QString& v) {
    const std::string b = rt::ToCp1252(v);
    Ok(f4memoAssignN(F(name), b.data(), static_cast<unsigned>(b.size())), name);
  }
  void Append() { Ok(d4append(d_), "d4append"); }
  DATA4* get() const { return d_; }
  FIELD4* F(const char* name) {
    FIELD4* f = d4field(d_, name);
    if (!f) throw Failure{QStringLiteral("no field %1").arg(QLatin1String(name))};
    return f;
  }

 private:
  store::Table table_;
  DATA4* d_;
};

const char* const kWords[] = {"Bolt",  "Washer", "Bracket", "Hinge",  "Cable", "Switch", "Valve",
                              "Gasket", "Spring", "Bearing", "Filter", "Clamp", "Fuse",   "Relay"};
const char* const kAdjectives[] = {"Steel", "Brass", "Large", "Small", "Heavy-duty", "Blue", "Sealed", "Spare"};

void CopyTemplates(const QString& folder, const QString& templateFolder) {
  const QDir to(folder), from(templateFolder);
  for (const dbschema::Table& t : dbschema::Tables()) {
    std::vector<std::string> exts = {"dbf", "cdx"};
    if (t.HasMemo()) exts.push_back("fpt");
    for (const std::string& ext : exts) {
      const QString src = from.filePath(QString::fromStdString(dbschema::TemplateFileName(t, ext)));
      const QString dest = to.filePath(QLatin1String(t.name) + QLatin1Char('.') + QString::fromStdString(ext));
      if (QFile::exists(dest)) throw Failure{dest + QStringLiteral(" exists already")};
      if (!QFile::copy(src, dest)) throw Failure{src + QStringLiteral(": cannot copy to ") + dest};
    }
  }
}

}  // namespace

QString WriteSampleDatabase(const QString& folder, const QString& templateFolder, const Options& options) {
  try {
    if (!QDir().mkpath(folder)) return folder + QStringLiteral(": cannot create the folder");
    CopyTemplates(folder, templateFolder);
    std::unique_ptr<CODE4, EngineDeleter> code(d4init_v());
    store::Engine engine{code.get()};
    const QDir dir(folder);
    std::mt19937 rng(options.seed);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };

    // Five entries in every list; ids from 1000 on.
    std::vector<std::vector<int32_t>> lists(8);
    int32_t nextCat = 1000;
    {
      Writer cat(engine, dir.filePath(QStringLiteral("svlcat.dbf")));
      for (int type : {1, 2, 3, 4, 5, 7}) {
        for (int i = 1; i <= 5; ++i) {
          cat.Start();
          cat.Number("rowid", nextCat);
          cat.Number("type", type);
          cat.Text("desc", QStringLiteral("%1 %2").arg(QLatin1String(kAdjectives[pick(8)])).arg(type * 10 + i));
          cat.Append();
          lists[static_cast<size_t>(type)].push_back(nextCat++);
        }
      }
    }
    auto entry = [&](int type) { return lists[static_cast<size_t>(type)][static_cast<size_t>(pick(5))]; };

    {
      Writer prod(engine, dir.filePath(QStringLiteral("svlprod.dbf")));
      for (int32_t i = 0; i < options.products; ++i) {
        prod.Start();
        prod.Number("rowid", 1000 + i);
        prod.Text("partno", QStringLiteral("P%1").arg(10000 + i));
        prod.Text("prodname", QStringLiteral("%1 %2 %3")
                                  .arg(QLatin1String(kAdjectives[pick(8)]), QLatin1String(kWords[pick(14)]))
                                  .arg(i));
        prod.Number("location", entry(3));
        prod.Number("groupid", entry(1));
        prod.Text("hide", pick(20) == 0 ? QStringLiteral("T") : QStringLiteral("F"));
        prod.Number("reordlev", pick(50));
        prod.Number("reordqty", 10 + pick(100));
        prod.Text("leadtime", QStringLiteral("%1 days").arg(1 + pick(30)));
        prod.Number("manuf", entry(4));
        prod.Number("vendor", entry(5));
        prod.Number("stdcost", pick(100000) / 100.0);
        prod.Number("stdprice", pick(200000) / 100.0);
        if (pick(4) == 0) prod.Memo("notes", QStringLiteral("Reorder from the usual supplier."));
        prod.Append();
      }
    }
    {
      Writer tran(engine, dir.filePath(QStringLiteral("svltran.dbf")));
      const QDate first(2020, 1, 1);
      for (int32_t i = 0; i < options.transactions && options.products > 0; ++i) {
        tran.Start();
        tran.Number("rowid", 1000 + i);
        tran.Number("prodid", 1000 + pick(options.products));
        tran.Text("trandate", first.addDays(pick(6 * 365)).toString(QStringLiteral("yyyyMMdd")));
        tran.Number("trantype", 1 + pick(5));
        tran.Number("units", 1 + pick(500) / 4.0);
        tran.Number("unitprc", pick(100000) / 100.0);
        if (pick(10) == 0) tran.Memo("notes", QStringLiteral("Counted twice."));
        tran.Number("catid", entry(2));
        tran.Number("shipmethod", entry(7));
        tran.Append();
      }
    }
    {
      Writer ids(engine, dir.filePath(QStringLiteral("svlid.dbf")));
      const std::pair<const char*, int32_t> next[] = {{"svlprod.dbf", 1000 + options.products},
                                                      {"svltran.dbf", 1000 + options.transactions},
                                                      {"svlcat.dbf", nextCat}};
      Ok(d4tagSelect(ids.get(), d4tag(ids.get(), "TBLNAME")), "d4tagSelect");
      for (const auto& [key, value] : next) {
        std::string padded = key;
        padded.resize(40, ' ');
        Ok(d4seek(ids.get(), padded.c_str()), key);
        Ok(f4assignDouble(ids.F("lastid"), value), "lastid");
        Ok(d4flush(ids.get()), "d4flush");
      }
    }
    return {};
  } catch (const Failure& f) {
    return f.what;
  }
}

}  // namespace dbsample
