#include "platform/ui/HelpViewer.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/runtime/App.h"
#include "platform/ui/Prompt.h"

namespace ui {
namespace {

QString& FolderOverride() {
  static QString folder;
  return folder;
}

QPointer<HelpViewer>& Viewer() {
  static QPointer<HelpViewer> viewer;
  return viewer;
}

// A help window still open when the application ends is deleted with it.
void DeleteViewerAtExit() { delete Viewer().data(); }

}  // namespace

QString HelpFolder() {
  if (!FolderOverride().isEmpty()) return FolderOverride();
  return QDir(rt::App::Path()).filePath(QStringLiteral("help"));
}

void SetHelpFolder(const QString& folder) { FolderOverride() = folder; }

QString HelpContentsPath() { return QDir(HelpFolder()).filePath(QStringLiteral("index.html")); }

QString HelpPagePath(int topic) {
  if (topic > 0) {
    const QString page = QDir(HelpFolder()).filePath(QStringLiteral("%1.html").arg(topic));
    if (QFileInfo(page).isFile()) return page;
  }
  const QString contents = HelpContentsPath();
  return QFileInfo(contents).isFile() ? contents : QString();
}

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("HelpViewer"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(rt::App::ProductName() + QStringLiteral(" Help"));
  txtHelp = new QTextBrowser(this);
  txtHelp->setObjectName(QStringLiteral("txtHelp"));
  txtHelp->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(txtHelp);
  resize(640, 520);
}

void HelpViewer::ShowPage(const QString& path) {
  txtHelp->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

QString HelpViewer::CurrentPage() const {
  const QUrl source = txtHelp->source();
  return source.isEmpty() ? QString() : QFileInfo(source.toLocalFile()).absoluteFilePath();
}

HelpViewer* ShowHelp(int topic) {
  const QString page = HelpPagePath(topic);
  if (page.isEmpty()) {
    MsgBox(QStringLiteral("Unable to launch '") + HelpContentsPath() +
               QStringLiteral("'! No application may be associated with this file type."),
           vbExclamation);
    return nullptr;
  }
  if (Viewer().isNull()) {
    static const bool cleanupRegistered = [] {
      qAddPostRoutine(DeleteViewerAtExit);
      return true;
    }();
    (void)cleanupRegistered;
    Viewer() = new HelpViewer;
  }
  HelpViewer* viewer = Viewer().data();
  // A modal dialog blocks every window but its own: help asked for from it belongs to it.
  QWidget* modal = QApplication::activeModalWidget();
  if (viewer->parentWidget() != modal) viewer->setParent(modal, Qt::Window);
  viewer->ShowPage(page);
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
  return viewer;
}

HelpViewer* OpenHelpViewer() { return Viewer().data(); }

void CloseHelpViewer() {
  if (HelpViewer* viewer = Viewer().data()) {
    viewer->close();
    delete viewer;  // WA_DeleteOnClose defers the deletion; the window goes now
  }
}

}  // namespace ui
