#include "proppages/PageHelp.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include "platform/com/Loader.h"
#include "platform/ui/HelpViewer.h"
#include "platform/ui/Prompt.h"
#include "proppages/PageStrings.h"

namespace qvp {
namespace {

// The window and the folder override. When the library is unloaded while the window is
// still open, the window goes with it, so neither the window nor the shutdown routine
// outlives the library's code.
struct LibraryHelp {
  ~LibraryHelp() {
    if (QCoreApplication::instance()) delete viewer.data();
  }
  QPointer<ui::HelpViewer> viewer;
  QString folder;
} g_help;

void DeleteViewer() { delete g_help.viewer.data(); }

QString ContentsPath() { return QDir(LibraryHelpFolder()).filePath(QStringLiteral("index.html")); }

QString PagePath(DWORD context) {
  if (context > 0) {
    const QString page = QDir(LibraryHelpFolder()).filePath(QStringLiteral("%1.html").arg(context));
    if (QFileInfo(page).isFile()) return page;
  }
  const QString contents = ContentsPath();
  return QFileInfo(contents).isFile() ? contents : QString();
}

}  // namespace

QString LibraryTitle() { return QString::fromLatin1(PageStringText(1001)); }

QString LibraryHelpFolder() {
  if (!g_help.folder.isEmpty()) return g_help.folder;
  static const int anchor = 0;
  const QString library = com::ModulePathOf(&anchor);
  return QFileInfo(library).dir().filePath(QStringLiteral("help"));
}

HRESULT ShowPageHelp(DWORD context) {
  const QString page = PagePath(context);
  if (page.isEmpty()) {
    const QString topic = context > 0 ? QDir(LibraryHelpFolder()).filePath(QStringLiteral("%1.html").arg(context))
                                      : ContentsPath();
    ui::MsgBox(QStringLiteral("%1 Help is not installed beside the library: '%2' was not found.")
                   .arg(LibraryTitle(), topic),
               ui::vbExclamation, LibraryTitle());
    return E_FAIL;
  }
  if (g_help.viewer.isNull()) {
    auto* viewer = new ui::HelpViewer;
    viewer->setWindowTitle(LibraryTitle() + QStringLiteral(" Help"));
    // Home is the library's contents, not the host program's.
    QObject::disconnect(viewer->actHome, &QAction::triggered, viewer, nullptr);
    QObject::connect(viewer->actHome, &QAction::triggered, viewer,
                     [viewer] { viewer->ShowPage(ContentsPath()); });
    qAddPostRoutine(DeleteViewer);
    QObject::connect(viewer, &QObject::destroyed, [] { qRemovePostRoutine(DeleteViewer); });
    g_help.viewer = viewer;
  }
  ui::PresentHelp(*g_help.viewer.data(), page);
  return S_OK;
}

void SetLibraryHelpFolder(const QString& folder) { g_help.folder = folder; }

QWidget* LibraryHelpWindow() { return g_help.viewer.data(); }

void CloseLibraryHelp() { DeleteViewer(); }

}  // namespace qvp
