#pragma once
// frmRptContainer: the child window in which one report definition is shown, by the
// pane of its type (ctlCurrentInv for inventory reports, ctlTrans for transactions
// reports) over the whole client area. Its tag is "~" & report id; its caption is the
// report title. It remembers its place per report id under the preferences
// "^<id>_maximized", "_left", "_top", "_width", "_height" (twips) and "_clientarea"
// (1: the four are valid); a restored size keeps within the main window's client area
// and is never below 4320 twips. It keeps the place it had shown normal, and saves that
// place also when closed minimized or maximized. Opened maximized (saved so, or another
// child is), it keeps its saved place pending and applies it on its frame's
// windowStateChanged once the frame has left the state: a place set while the frame
// handles the change would put it back into the maximized state. User-interface thread
// only.

#include <QRect>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

class QPushButton;
class clsRptDef;

namespace reports {

class ReportPane;

// A saved place, twips.
struct SavedPlace {
  int32_t left = 0, top = 0, width = 0, height = 0;
};
// The place to restore: left and top not below 0; width not above the client width and
// height not above the client height, then neither below 4320.
SavedPlace ClampPlace(const SavedPlace& saved, int32_t clientWidth, int32_t clientHeight);
inline constexpr int32_t kMinPlaceTwips = 4320;

class frmRptContainer : public QWidget {
  Q_OBJECT

 public:
  explicit frmRptContainer(QWidget* parent = nullptr);
  ~frmRptContainer() override;

  // Sets the tag, keeps a copy of the definition, titles the window and shows the
  // definition in the pane of its type ("Unspecified report type!" for any other type).
  // The saved place is applied when the window is first shown.
  void Init(const QString& sFormID, const clsRptDef& RptDef);
  void SetWindowCaption();
  void ResizeControl();
  // Applies the saved place to the window frame (the MDI sub-window when there is one).
  void RestorePosition();

  const clsRptDef* RptDef() const { return m_RptDef.get(); }

  // When True the window closes itself after the pane changed the definition.
  bool m_bCloseOnPropertiesChange = false;

  ReportPane* ctlCurrentInv = nullptr;
  ReportPane* ctlTrans = nullptr;
  QPushButton* cmdCancel;

 public slots:
  void cmdCancel_Click();

 public:
  // What the pane shown needs, so that its controls stay within reach.
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget& Frame();
  QString PrefPrefix() const;
  void SavePosition();
  ReportPane* ActivePane() const;
  void OnReportDefChanged();

  std::unique_ptr<clsRptDef> m_RptDef;
  bool m_bPlaced = false;
  // The frame's place while shown normal (what is saved also when it closes minimized
  // or maximized), and a saved place waiting for the frame to be shown normal.
  QRect m_normalPlace;
  std::optional<QRect> m_pendingPlace;
};

}  // namespace reports
