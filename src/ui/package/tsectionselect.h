#pragma once
// The section-selection window: the points of a calibration package as reference flow against
// error, each labelled with its section number. Clicking a point marks or unmarks its whole
// section; the marked sections become the break points of the piecewise-linear characteristic.

#include <QDialog>
#include <QString>

#include "core/package/graphdata.h"

class ColorScatter;
class QCPAxisTickerText;
class QCustomPlot;
class QLabel;
class QMouseEvent;
class QPushButton;

class TSectionSelect : public QDialog {
  Q_OBJECT

 public:
  explicit TSectionSelect(QWidget* parent = nullptr);

  // Takes the caller's series (it must outlive the window's use of it), clears every mark and
  // redraws. Clicks change the series' marks.
  void setSeries(SPILT_STRUCT& series);
  // setSeries, then the window modally; true when the user left with "Продолжить". The window lets
  // go of the series afterwards.
  bool choose(SPILT_STRUCT& series);

  QCustomPlot* Chart;
  ColorScatter* SeriesBack;   // a halo behind every marked point
  ColorScatter* SeriesFront;  // every point, labelled with its section number; clickable
  QPushButton* bnContinue;
  QPushButton* bnCancel;
  QLabel* lbHint;  // how to pick the sections

 private:
  void redraw();
  void ChartMouseDown(QMouseEvent* event);

  SPILT_STRUCT* series_ = nullptr;
  QCPAxisTickerText* sectionTicker_;
  QString flowTitle_ = "Расход, м^3/ч";
  QString errorTitle_ = "Отклонения, %";
  QString sectionTitle_ = "Номер сечения";
};
