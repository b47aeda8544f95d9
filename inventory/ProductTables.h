#pragma once
// The three tables the product editor works on, opened together and closed when the
// object goes. When any of them cannot be opened, Open shows which ones (after the
// database's own "Unable to open: " boxes) and closes the others.

struct DATA4;

namespace inventory {

class ProductTables {
 public:
  ProductTables() = default;
  ~ProductTables() { Close(); }
  ProductTables(const ProductTables&) = delete;
  ProductTables& operator=(const ProductTables&) = delete;

  // Products, transactions and categories, in that order; false after the message
  // "Unable to open the following table(s):" naming each that failed.
  bool Open();
  void Close();

  DATA4* prod = nullptr;
  DATA4* tran = nullptr;
  DATA4* cat = nullptr;
};

}  // namespace inventory
