// The backup advice of a database folder.

#include "database/BackupMsg.h"

#include "platform/runtime/App.h"
#include "services/clsSystem.h"

QString BackupMsg(const QString& sDBPath, bool bIsOpen) {
  static constexpr const char* kFiles[] = {
      "svlcat.dbf",  "svlcat.cdx",  "svlid.dbf",   "svlid.cdx",   "svlparam.dbf", "svlparam.cdx",
      "svlparam.fpt", "svlprod.dbf", "svlprod.cdx", "svlprod.fpt", "svltran.dbf",  "svltran.cdx",
      "svltran.fpt", "svluser.dbf", "svluser.cdx", "svluser.fpt"};
  const clsSystem& sys = gSystem();
  const QString P = rt::App::ProductName();
  QString msg = QStringLiteral("BACKING UP, COPYING OR MOVING YOUR DATABASE") + sys.CRLF(2);
  msg += QStringLiteral("In order to safekeep your ") + P +
         QStringLiteral(" database in case of computer failure or data corruption we suggest that you "
                        "periodically backup or copy all ") +
         P + QStringLiteral(" database files in the following directory:") + sys.CRLF(2);
  msg += (!bIsOpen && sDBPath.isEmpty())
             ? QStringLiteral("[SVL data directory will be specified here once you create/open a SVL Database]")
             : sDBPath;
  msg += sys.CRLF(2);
  msg += QStringLiteral("to a removable media such as floppy disk, zip disk, CDR, tape or to another computer "
                        "on your network. THIS IS THE ONLY WAY TO RECOVER YOUR DATA IN CASE YOUR DATABASE "
                        "GETS CORRUPTED!") +
         sys.CRLF(2);
  msg += P + QStringLiteral(" database consists of the following 16 files:") + sys.CRLF(2);
  for (const char* f : kFiles) msg += QStringLiteral("  ") + QLatin1String(f) + sys.CRLF(1);
  msg += sys.CRLF(1);
  msg += QStringLiteral(
             "All these files must exist together in a directory before a database can be opened. All "
             "these files must be BACKed up together as a unit and if needed, RESTOREd together as a unit "
             "from a single backup archive. For example, if you backup on a weekly basis, do NOT restore "
             "some files from the backup archive made this week and other files from the backup archive "
             "from last week. Instead, restore all files from either this week's or last week's backup "
             "archive.") +
         sys.CRLF(2);
  msg += QStringLiteral("Please consult your Network or System Administrator for advice on how to protect your ") +
         P + QStringLiteral(" data.") + sys.CRLF(1);
  return msg;
}
