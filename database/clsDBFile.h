#pragma once
// clsDBFile: the data and index files of one table, as handed to the maintenance
// window. cleanDataPath is not filled by anything.

#include <QString>

struct clsDBFile {
  QString dataFilePath;    // full path of the table file
  QString cleanDataPath;
  QString indexFilePath;   // full path of its index file
  QString cleanIndexPath;  // full path of the index template in the program folder
};
