#pragma once
// ReportPane: what the report container (frmRptContainer) needs of the pane that shows
// its definition: Init with the definition (shared with the container, which outlives
// the pane), the help topic, and the ReportDefChanged signal after the pane edited and
// stored the definition. The container places the pane over its whole client area.
// GridReportPane is the plain pane: the report grid alone, filled by the inventory or
// the transaction grid filler for the definition's type, with Refresh, column sorting,
// printing titles and column widths kept per report.

#include <QWidget>
#include <cstdint>

class UCGrid;
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

class GridReportPane : public ReportPane {
  Q_OBJECT

 public:
  explicit GridReportPane(QWidget* parent = nullptr);
  ~GridReportPane() override;

  void Init(clsRptDef& RptDef) override;
  void SetHelpContextID(int32_t nID) override;
  // Reloads the grid; the row of record nSelID (when 1 or more) is selected afterwards.
  void LoadData(int32_t nSelID);

  UCGrid* ctlGrid;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnRefresh();
  void SaveColumnWidths();

  clsRptDef* m_RptDef = nullptr;
};

// The pane of a report type: 1 inventory, 2 transactions.
ReportPane* NewReportPane(int32_t nRptType, QWidget* parent);

}  // namespace reports
