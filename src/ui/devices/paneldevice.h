#pragma once
// What every device of the document shares: its state lives in its panel, which it owns and
// places in the main window's page area.

#include <QLayout>
#include <QPointer>
#include <QWidget>

#include "core/document/devicebase.h"

template <class Frame>
class PanelDevice : public DeviceBase {
 public:
  ~PanelDevice() override { delete panel_.data(); }
  PanelDevice(const PanelDevice&) = delete;
  PanelDevice& operator=(const PanelDevice&) = delete;

  void showPanel(bool show) override { panel_->setVisible(show); }
  Frame* panel() const { return panel_; }

 protected:
  // Takes a panel created as a child of the page area and adds it to the area's layout.
  explicit PanelDevice(Frame* panel) : panel_(panel) {
    panel->setExchangeSink([this](DeviceExchange exchange, const WriteCheck* check) {
      exchangeCompleted(exchange, check);
    });
    QWidget* area = panel->parentWidget();
    if (area && area->layout()) area->layout()->addWidget(panel);
  }

  // Owned here; the guard only notices when Qt destroyed the panel with its parent first.
  QPointer<Frame> panel_;
};
