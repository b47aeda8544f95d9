#include "platform/ui/HelpViewer.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPointer>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/runtime/App.h"
#include "platform/ui/DialogLook.h"
#include "platform/ui/Placement.h"
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

constexpr char kHelpContextProperty[] = "helpContextID";
constexpr char kHelpKeyFilterName[] = "helpKeyFilter";

// F1 pressed anywhere in the window it watches (the key reaches the window when the
// focused control leaves it alone) shows the window's help context. The window claims
// F1 before any shortcut: an F1 of the window around it (the main window's Help menu
// around a child window) neither runs nor makes the key ambiguous.
class HelpKeyFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    const bool override = event->type() == QEvent::ShortcutOverride;
    if ((!override && event->type() != QEvent::KeyPress) ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1 ||
        static_cast<QKeyEvent*>(event)->modifiers() != Qt::NoModifier) {
      return false;
    }
    const int topic = HelpContextOf(*static_cast<QWidget*>(watched));
    if (topic <= 0) return false;
    event->accept();
    if (!override) ShowHelp(topic);
    return true;
  }
};

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
  txtHelp->document()->setDocumentMargin(12);

  auto* tools = new QToolBar(this);
  tools->setObjectName(QStringLiteral("tbHelp"));
  tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  actBack = tools->addAction(ProgramIcon(QStringLiteral("go-previous")), QStringLiteral("&Back"), txtHelp,
                             &QTextBrowser::backward);
  actBack->setShortcut(QKeySequence::Back);
  actForward = tools->addAction(ProgramIcon(QStringLiteral("go-next")), QStringLiteral("&Forward"), txtHelp,
                                &QTextBrowser::forward);
  actForward->setShortcut(QKeySequence::Forward);
  actHome = tools->addAction(ProgramIcon(QStringLiteral("go-home")), QStringLiteral("&Home"), this,
                             [this] { ShowPage(HelpContentsPath()); });
  actBack->setEnabled(false);
  actForward->setEnabled(false);
  connect(txtHelp, &QTextBrowser::backwardAvailable, actBack, &QAction::setEnabled);
  connect(txtHelp, &QTextBrowser::forwardAvailable, actForward, &QAction::setEnabled);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tools);
  layout->addWidget(txtHelp);
  resize(680, 560);
}

void HelpViewer::ShowPage(const QString& path) {
  txtHelp->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void HelpViewer::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
  } else {
    QWidget::keyPressEvent(event);
  }
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
  PresentHelp(*Viewer().data(), page);
  return Viewer().data();
}

void PresentHelp(HelpViewer& viewer, const QString& page) {
  // A modal dialog blocks every window but its own: help asked for from it belongs to it.
  QWidget* modal = QApplication::activeModalWidget();
  if (viewer.parentWidget() != modal) viewer.setParent(modal, Qt::Window);
  viewer.ShowPage(page);
  if (!viewer.isVisible()) PlaceOver(viewer, modal != nullptr ? modal : QApplication::activeWindow());
  viewer.show();
  viewer.raise();
  viewer.activateWindow();
}

HelpViewer* OpenHelpViewer() { return Viewer().data(); }

void SetHelpContext(QWidget& window, int topic) {
  window.setProperty(kHelpContextProperty, topic > 0 ? topic : 0);
  const QString name = QString::fromLatin1(kHelpKeyFilterName);
  if (window.findChild<QObject*>(name, Qt::FindDirectChildrenOnly) == nullptr) {
    auto* filter = new HelpKeyFilter(&window);
    filter->setObjectName(name);
    window.installEventFilter(filter);
  }
}

int HelpContextOf(const QWidget& window) { return window.property(kHelpContextProperty).toInt(); }

void CloseHelpViewer() {
  if (HelpViewer* viewer = Viewer().data()) {
    viewer->close();
    delete viewer;  // WA_DeleteOnClose defers the deletion; the window goes now
  }
}

}  // namespace ui
