#pragma once
// Reading the current row of the products table (svlprod) field by field, shared by
// clsProd and the clsDB product procedures. Internal to database/; errors throw (see
// DbAccess.h).

#include <QString>

#include "database/DbAccess.h"
#include "database/Module1.h"

namespace prodrow {

inline QString Text(DATA4* tb, const char* field) {
  return Module1::FieldText(dbaccess::Field(tb, QLatin1String(field))).trimmed();
}

inline int32_t Long(DATA4* tb, const char* field) {
  return dbaccess::Long32(dbaccess::Field(tb, QLatin1String(field)));
}

// A product is hidden when its flag reads "T" (trimmed, any case).
inline bool IsHidden(DATA4* tb) { return Text(tb, "hide").toUpper() == QLatin1String("T"); }

}  // namespace prodrow
