#pragma once
// mdlWinAPI: the user's locale texts through the locale queries of platform/ui.

#include <QString>

#include "platform/ui/Locale.h"

namespace mdlWinAPI {

// The value of information type `type` for `locale`; the empty text when there is none.
QString GetLocaleString(ui::LCID locale, int type);
QString GetUserCurrencySymbol();  // LOCALE_SCURRENCY of the user's locale
QString GetUserMonThousandSep();  // LOCALE_SMONTHOUSANDSEP of the user's locale

}  // namespace mdlWinAPI
