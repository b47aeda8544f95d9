#pragma once
// ReportPane: what the report container (frmRptContainer) needs of the pane that shows
// its definition: Init with the definition (shared with the container, which outlives
// the pane), the help topic, and the ReportDefChanged signal after the pane edited and
// stored the definition. The container places the pane over its whole client area.
// The panes: UCCurrInv (inventory reports) and UCTrans (transaction reports).

#include <QWidget>
#include <cstdint>

class clsRptDef;

namespace reports {

class ReportPane : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;
  // Binds the pane to the definition and loads it.
  virtual void Init(clsRptDef& RptDef) = 0;
  virtual void SetHelpContextID(int32_t nID) = 0;

 signals:
  void ReportDefChanged();
};

}  // namespace reports
