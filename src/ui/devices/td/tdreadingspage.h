#pragma once
// The readings page of the TD panel: the meter's raw signal code as a running chart beside its
// low-pass filtered copy, with zoom, scrolling, noise analysis, a CSV file of the points and
// printing. The panel feeds it one reading per poll while "Показания" is ticked.

#include <qcustomplot.h>

#include <QWidget>
#include <cstdint>
#include <functional>

#include "core/devices/td/tdreadings.h"

class QCheckBox;
class QPushButton;

class TTDReadingsPage : public QWidget {
  Q_OBJECT

 public:
  // The file dialogs; each gives "" when the user cancels. Tests replace them.
  using ChooseSaveFile = std::function<QString(QWidget* parent, const QString& proposed)>;
  using ChooseOpenFile = std::function<QString(QWidget* parent)>;

  explicit TTDReadingsPage(QWidget* parent = nullptr);

  void setFileDialogs(ChooseSaveFile save, ChooseOpenFile open);

  // One live reading: the point at the X counter in both series, unless the page is paused.
  void addReading(std::int32_t code);
  // True while the user wants readings polled.
  bool observing() const;

  // The points shown, in series order.
  QVector<double> codes() const;
  QVector<double> filtered() const;

 private:
  // The controls, named as on the form (their object names too).
  QCustomPlot* Chart;
  QCPGraph* Series1;  // code
  QCPGraph* Series2;  // filtered code
  QPushButton* ClearADC;
  QPushButton* CloserADC;
  QPushButton* FurtherADC;
  QPushButton* NarrowerADC;
  QPushButton* BroaderADC;
  QPushButton* AutoADC;
  QPushButton* Analyze;
  QCheckBox* Observation;
  QCheckBox* Scrolling;
  QCheckBox* Code;
  QCheckBox* Filter;
  QPushButton* SaveADC;
  QPushButton* LoadADC;
  QPushButton* PrintChart;

  void buildControls();
  void connectHandlers();

  void clearReadings();
  void zoomValuesIn();
  void zoomValuesOut();
  void stretchTime();
  void squeezeTime();
  void scaleAutomatically();
  void analyse();
  void saveReadings();
  void loadReadings();
  void printChart();
  void showSeries();

  // Clears the points after the user agreed; the question is asked either way.
  void clearWithQuestion();
  void appendPoint(double x, double code, double filteredCode);
  // Keeps the axes that scale automatically around the data, then redraws.
  void refresh();

  ChooseSaveFile chooseSaveFile_;
  ChooseOpenFile chooseOpenFile_;
  TdFilter filter_;
  double x_ = 0;  // X of the next live point
  bool paused_ = false;
  bool autoX_ = true;
  bool autoY_ = true;
  // The values of both series so far, so the automatic scale does not scan every point again on
  // each reading of a long recording.
  QCPRange valueRange_;
  bool hasValues_ = false;
};
