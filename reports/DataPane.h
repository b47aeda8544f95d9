#pragma once
// DataPane: what the inventory pane (UCCurrInv) and the transactions pane (UCTrans)
// share: the report grid `ctlGrid` with a button bar on its right (shown only when the
// definition's options allow editing data), the definition given to Init, column widths
// kept per report id, Refresh, the definition editor from the Properties button,
// printing titles and sorting by a clicked column.
//
// The pane's commands do not nest: while one runs (a load pumping events, a modal dialog
// open), a second command of the pane is ignored. A command that opened a window
// leaves that window in front (ui::IsInFront); otherwise the grid takes the focus back.

#include <cstdint>

#include "reports/ReportPane.h"
#include "services/TrappedSlot.h"

class QScrollArea;
class UCGrid;
class clsRptDef;

namespace reports {

class PaneButtons;

class DataPane : public ReportPane {
  Q_OBJECT

 public:
  ~DataPane() override;

  void Init(clsRptDef& RptDef) override;
  void SetHelpContextID(int32_t nID) override;
  void ResizeControl();
  void SaveColumnWidths();
  void RestoreColumnWidths();
  // Reloads the grid; the row of record nSelRowID (when above 0) is selected afterwards.
  void LoadData(int32_t nSelRowID);
  // The grid's minimum beside the button bar (when shown), which scrolls when short.
  QSize minimumSizeHint() const override;

  UCGrid* ctlGrid;

 protected:
  // The pane takes ownership of the bar.
  DataPane(PaneButtons* bar, QWidget* parent);

  // The pane's own grid settings of Init.
  virtual void SetUpGrid() = 0;
  // Fills the grid through the report type's filler; false when a table did not open.
  virtual bool FillGrid(int32_t nSelRowID) = 0;
  // The labels and the criteria text after a load.
  virtual void ShowCriteria() = 0;
  // After the grid was sorted by a clicked column.
  virtual void AfterSort() {}

  // Runs `command` unless another command of the pane is running.
  template <class F>
  void Guarded(F&& command) {
    if (m_bBusy) return;
    m_bBusy = true;
    struct Reset {
      bool& busy;
      ~Reset() { busy = false; }
    } reset{m_bBusy};
    command();
  }

  // Connects `signal` of `sender` to `command`, Guarded and trapped under `label`.
  template <class Sender, class Signal, class Command>
  void ConnectCommand(const Sender* sender, Signal signal, Command command, const char* label) {
    ConnectTrapped(sender, signal, this, [this, command] { Guarded(command); }, QLatin1String(label));
  }

  void resizeEvent(QResizeEvent* event) override;

  clsRptDef* m_RptDef = nullptr;

 private:
  void Load(int32_t nSelRowID);
  // Widths saved, grid reloaded, the current record selected again.
  void RefreshGrid();
  void EditDefinition();

  PaneButtons* m_bar;
  // Holds the bar: it scrolls where the pane is shorter than the buttons need.
  QScrollArea* m_barArea;
  bool m_bBusy = false;
};

}  // namespace reports
