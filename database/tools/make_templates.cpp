// make_templates <folder> [catalogue.csv]
// Writes the template files of a new database into <folder> (the program folder).
// Without a catalogue file the report column catalogue is written empty.

#include <QString>
#include <cstdio>

#include "database/Templates.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_templates <folder> [catalogue.csv]\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const QString csv = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
  if (csv.isEmpty()) std::fprintf(stderr, "make_templates: no catalogue rows; svlrepcols is empty\n");
  const QString error = dbtemplates::WriteTemplates(folder, csv);
  if (!error.isEmpty()) {
    std::fprintf(stderr, "make_templates: %s\n", error.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}
