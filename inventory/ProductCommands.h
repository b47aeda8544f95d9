#pragma once
// The main window's product commands: new, edit, delete, look-up and the product list.
// The shell's menus and list bar and the windows call them directly. Modal dialogs are
// owned by the hub's window.
// User-interface thread only.

#include <QString>
#include <cstdint>

class QWidget;
class clsProd;

namespace inventory {

// The editor on a new record (Init'ed, nothing stored).
void NewProductFromMenu();
// The editor on `ProdInfo`: a new record (id below 1, perhaps with members preset) or
// one carrying only the id of a stored product. With automatic part numbers a new
// record without one is proposed the next number, and the counter advances only when
// the stored product kept it. The product's id once the editor stored it; -1 when it
// was cancelled or could not be opened.
int32_t AddEditNewProduct(clsProd& ProdInfo);
// Asks (naming `sProductName`), then deletes the product; one with transactions only
// together with all of them, and only after they are all gone. True when the row was
// deleted; false without a question for an id below 1.
bool DeleteProduct(int32_t nProductID, const QString& sProductName);
// Whether the product's row is still stored (another user may have deleted it since a
// list showed it), silently; ProductAccessible says "Record cannot be accessed or it no
// longer exists!" when it is not.
bool ProductStored(int32_t nProdId);
bool ProductAccessible(int32_t nProdId);
QString ProductGoneText();
// The look-up dialog, then the found-products report of the hub.
void LookupProduct();
// The part-number look-up dialog: the id of the product found, -1 when cancelled.
int32_t LookupProductByPartNo();
// Brings the product list forward, or opens it as a child of the hub's window.
void ShowProdList();

}  // namespace inventory
