// The backup advice of a database folder.

#include "database/BackupMsg.h"

#include "services/clsSystem.h"

QString BackupMsg(const QString& sDataFolder, const QString& sText) {
  static constexpr const char* kFiles[] = {
      "svlcat.dbf",  "svlcat.cdx",  "svlid.dbf",   "svlid.cdx",   "svlparam.dbf", "svlparam.cdx",
      "svlparam.fpt", "svlprod.dbf", "svlprod.cdx", "svlprod.fpt", "svltran.dbf",  "svltran.cdx",
      "svltran.fpt", "svluser.dbf", "svluser.cdx", "svluser.fpt"};
  const clsSystem& sys = gSystem();
  QString msg = QStringLiteral("BACKING UP, COPYING OR MOVING YOUR DATABASE") + sys.CRLF(2);
  if (!sText.isEmpty()) msg += sText + sys.CRLF(2);
  msg += QStringLiteral("Your database files are located in the folder:") + sys.CRLF(1);
  msg += sDataFolder.isEmpty() ? QStringLiteral("(no database folder is open)") : sDataFolder;
  msg += sys.CRLF(2) +
         QStringLiteral("To back up, copy or move your database, close the program and copy all of the following "
                        "files of that folder together:") +
         sys.CRLF(2);
  for (const char* f : kFiles) msg += QLatin1String(f) + sys.CRLF(1);
  return msg;
}
