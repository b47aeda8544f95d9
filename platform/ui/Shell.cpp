#include "platform/ui/Shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "platform/ui/Seam.h"

namespace ui {
namespace {

bool IsAddress(const QString& target) {
  static const char* const kSchemes[] = {"http:", "https:", "mailto:", "file:"};
  for (const char* scheme : kSchemes) {
    if (target.startsWith(QLatin1String(scheme), Qt::CaseInsensitive)) return true;
  }
  return false;
}

// Opens through the desktop's associations; executables start detached.
class DesktopShell : public Shell {
 public:
  int ShellExecute(const QString&, const QString& file, const QString& params, const QString& dir,
                   int) override {
    const QString target = file.trimmed();
    if (target.isEmpty()) return kShellFileNotFound;
    if (IsAddress(target)) {
      return QDesktopServices::openUrl(QUrl(target)) ? kShellOk : kShellNoAssociation;
    }
    const QFileInfo info(target);
    if (!info.exists()) {
      return info.dir().exists() ? kShellFileNotFound : kShellPathNotFound;
    }
    if (info.isFile() && info.isExecutable()) {
      const QString workDir = dir.isEmpty() ? info.absolutePath() : dir;
      return QProcess::startDetached(info.absoluteFilePath(), QProcess::splitCommand(params),
                                     workDir)
                 ? kShellOk
                 : kShellAccessDenied;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()))
               ? kShellOk
               : kShellNoAssociation;
  }
};

using ShellSeam = Seam<Shell, DesktopShell>;

}  // namespace

Shell& CurrentShell() { return ShellSeam::Current(); }
Shell* SetShell(Shell* shell) { return ShellSeam::Install(shell); }

int ShellExecute(const QString& verb, const QString& file, const QString& params,
                 const QString& dir, int showCmd) {
  return CurrentShell().ShellExecute(verb, file, params, dir, showCmd);
}

}  // namespace ui
