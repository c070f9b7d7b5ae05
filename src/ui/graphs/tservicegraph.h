#pragma once
// The graph window "График": the measurements of every package of the document against the
// current coefficient lines, on four tabs (error, the two direct characteristics, the relative
// characteristic). One point series per package, the curve of the lines and the scatter of the
// plotted values; the list beside the chart switches the package series on and off. What is
// plotted comes from graphcalc; this window only shows it.

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "core/graphs/graphcalc.h"
#include "core/package/graphdata.h"
#include "ui/graphs/tabbuttons.h"

class ColorScatter;
class QAction;
class QCheckBox;
class QCPGraph;
class QCustomPlot;
class QCPCurve;
class QDialog;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QShowEvent;
class QToolButton;

class TServiceGraph : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMinControlWidth = 172;
  static constexpr int kDefaultPointSize = 6;

  explicit TServiceGraph(QWidget* parent = nullptr);
  ~TServiceGraph() override;

  // Takes the data the main window keeps (not a copy); rebuilds the chart unless it is null.
  void showData(const SPILTS_DATA_EXCHANGE* data);
  // The family-dependent captions; they take effect at the next redraw.
  void setReadingCaption(const QString& caption) { readingCaption_ = caption; }
  void setRatioCaption(const QString& caption) { ratioCaption_ = caption; }
  // The error tab draws the permitted band of `profile` behind the points; none draws none.
  // Takes effect at once.
  void setToleranceProfile(std::optional<ToleranceProfile> profile);
  const std::optional<ToleranceProfile>& toleranceProfile() const { return profile_; }
  // The band's two lines; null until the chart was built.
  QCPCurve* bandUpper() const { return bandUpper_; }
  QCPCurve* bandLower() const { return bandLower_; }

  // Resets the control column to its defaults and reads the zero-offset switch; runs on every
  // activation of the window.
  void FormActivate();

  // The captions the axes stand for after the last redraw (shown or not).
  QString leftCaption() const { return leftCaption_; }
  QString bottomCaption() const { return bottomCaption_; }
  graphcalc::GraphTab currentTab() const;

  // The chart's series: package series k, the curve (null without lines), the scatter.
  ColorScatter* packageSeries(int k) const { return series_.at(static_cast<size_t>(k)); }
  int packageSeriesCount() const { return static_cast<int>(series_.size()); }
  QCPGraph* curveSeries() const { return curve_; }
  ColorScatter* scatterSeries() const { return scatter_; }

  // Runs the print preview; tests replace it so no modal dialog waits for a user.
  std::function<void(QDialog& preview)> execPreview;

  TabButtons* TabControl;
  QCustomPlot* Chart;
  QListWidget* SpiltSelect;
  QMenu* SpiltMenu;
  QAction* NSelectAll;
  QAction* NClearAll;
  QAction* NInvert;
  QSpinBox* PointSize;
  QCheckBox* bMarks;
  QCheckBox* bLogariphmic;
  QCheckBox* bNameAxis;
  QCheckBox* CheckCasual;
  QCheckBox* bCalsDeltaAlways;
  QToolButton* Closer;
  QToolButton* Further;
  QToolButton* Auto;
  QCheckBox* bAproxLine;
  QCheckBox* bColorAprox;
  QLabel* OffsetLabel;
  QSpinBox* Offset;
  QPushButton* Print;
  QWidget* ControlColumn;
  QStatusBar* StatusBar;
  QLabel* StatusPanel1;
  QLabel* StatusPanel2;

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createControls();
  void placeOverParent();
  void fitListToNames();
  void connectHandlers();
  void rebuild();
  void redraw();
  void rescaledRedraw();
  void fillPackageSeries(std::vector<graphcalc::PlotPoint>& shown, double& minX, double& maxX);
  void fillCurve(double minX, double maxX);
  void fillScatter(std::vector<graphcalc::PlotPoint> shown);
  void fillBand(const std::vector<graphcalc::PlotPoint>& shown);
  void automaticScale();
  void rescaleAutomaticAxes();
  void applyMinorGrid();
  void applyLogarithmic();
  void applyMarks();
  void refreshMarks();
  void applySelection();
  void setAllChecks(const std::function<bool(bool)>& check);
  void styleMarks();
  void ChartMouseMove(QMouseEvent* event);
  void CloserClick();
  void FurtherClick();
  void AutoClick();
  void PrintClick();
  QString axisCaption(graphcalc::AxisCaption which) const;

  const SPILTS_DATA_EXCHANGE* data_ = nullptr;
  std::vector<ColorScatter*> series_;
  QCPGraph* curve_ = nullptr;
  ColorScatter* scatter_ = nullptr;
  QCPCurve* bandUpper_ = nullptr;
  QCPCurve* bandLower_ = nullptr;
  std::optional<ToleranceProfile> profile_;
  QString readingCaption_ = QStringLiteral("Код");
  QString ratioCaption_ = QStringLiteral("Код / Расход");
  QString leftCaption_;
  QString bottomCaption_;
  bool leftAutomatic_ = true;
  bool bottomAutomatic_ = true;
};
