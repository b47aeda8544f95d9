#pragma once
// The three tables the product editor's load and save work on, opened together and
// closed when the object goes. When any of them cannot be opened, Open shows which ones
// (after the database's own "Unable to open: " boxes) and closes the others. Internal
// to database/.

#include "database/store/Session.h"

class clsDB;

namespace dbaccess {

struct ProductTables {
  // Products, transactions and categories, in that order; false after the message
  // "Unable to open the following table(s):" naming each that failed.
  bool Open(clsDB& db);

  store::Table prod;
  store::Table tran;
  store::Table cat;
};

}  // namespace dbaccess
