#include "ui/graphs/tservicegraph.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSpinBox>
#include <QSplitter>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <memory>
#include <set>

#include "ui/base/regkey.h"
#include "ui/graphs/colorscatter.h"

namespace {

SPILT_POINT pt(double x, double y, double error = 0) { return {x, y, 0, 0, error}; }

SPILT_STRUCT series(const char* name, std::vector<SPILT_POINT> points, bool hasErrors = true) {
  return {name, std::move(points), 1, static_cast<uint8_t>(hasErrors)};
}

// A calibration package and a verification package with its pulse-output twin, one line.
SPILTS_DATA_EXCHANGE sample() {
  return {{series("Градуировка", {pt(50, 2, 7.5), pt(400, 16, 1)}),
           series("Поверка", {pt(100, 4, 0.3), pt(200, 8, 0.1)}),
           series("Поверка (имп. выход)", {pt(100, 4.1), pt(200, 8.2)}, false)},
          {{1000, 0.041, 0}}};
}

void setRegistryZeroOffset(int value) {
  RegKey key;
  key.create(QString::fromUtf8(kProgramKey));
  key.writeInt("EnableZeroOffset", value);
}

class ServiceGraphTest : public ::testing::Test {
 protected:
  void show(const SPILTS_DATA_EXCHANGE& d) {
    data = d;
    graph->showData(&data);
  }
  std::vector<QPointF> pointsOf(const ColorScatter* s) {
    std::vector<QPointF> v;
    for (const ColorScatter::Point& p : s->points()) v.emplace_back(p.key, p.value);
    return v;
  }
  QStringList marksOf(const ColorScatter* s) {
    QStringList texts;
    for (QCPItemText* item : s->labelItems()) texts << item->text();
    return texts;
  }
  void clickCheck(QCheckBox* box, bool on) {
    if (box->isChecked() != on) box->click();
  }

  SPILTS_DATA_EXCHANGE data;
  std::unique_ptr<TServiceGraph> graph = std::make_unique<TServiceGraph>();
};

}  // namespace

TEST_F(ServiceGraphTest, OneSeriesAndListItemPerStructThenCurveAndScatter) {
  show(sample());
  ASSERT_EQ(graph->SpiltSelect->count(), 3);
  EXPECT_EQ(graph->SpiltSelect->item(2)->text(), "Поверка (имп. выход)");
  // The tolerance band's two lines come first, so everything else is drawn over them.
  ASSERT_EQ(graph->Chart->plottableCount(), 7);
  EXPECT_EQ(graph->Chart->plottable(0), graph->bandUpper());
  EXPECT_EQ(graph->Chart->plottable(1), graph->bandLower());
  EXPECT_FALSE(graph->bandUpper()->visible());
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(graph->Chart->plottable(k + 2), graph->packageSeries(k));
    EXPECT_EQ(graph->SpiltSelect->item(k)->checkState(), Qt::Checked);
    EXPECT_FALSE(graph->SpiltSelect->item(k)->icon().isNull());
  }
  EXPECT_EQ(graph->Chart->plottable(5), graph->curveSeries());
  EXPECT_EQ(graph->Chart->plottable(6), graph->scatterSeries());
  EXPECT_FALSE(graph->scatterSeries()->visible());
  EXPECT_EQ(graph->packageSeries(1)->scatterStyle().shape(), QCPScatterStyle::ssSquare);
  EXPECT_EQ(graph->packageSeries(1)->scatterStyle().brush().color(), QColor(Qt::blue));

  // No lines: no curve; a new "Графики" replaces everything.
  show({{series("А", {pt(50, 2)})}, {}});
  EXPECT_EQ(graph->SpiltSelect->count(), 1);
  EXPECT_EQ(graph->Chart->plottableCount(), 4);
  EXPECT_EQ(graph->curveSeries(), nullptr);

  show({});
  EXPECT_EQ(graph->SpiltSelect->count(), 0);
  EXPECT_EQ(graph->Chart->plottableCount(), 3);
}

TEST_F(ServiceGraphTest, PaletteRepeatsAfterTwentyFiveSeries) {
  SPILTS_DATA_EXCHANGE d;
  for (int k = 0; k < 26; ++k) d.series.push_back(series("С", {pt(50, 2)}));
  show(d);
  const QCPScatterStyle first = graph->packageSeries(0)->scatterStyle();
  const QCPScatterStyle last = graph->packageSeries(25)->scatterStyle();
  EXPECT_EQ(last.shape(), first.shape());
  EXPECT_EQ(last.brush().color(), first.brush().color());
  EXPECT_NE(graph->packageSeries(24)->scatterStyle().shape(), first.shape());
  EXPECT_EQ(graph->SpiltSelect->item(25)->icon().pixmap(14).toImage(),
            graph->SpiltSelect->item(0)->icon().pixmap(14).toImage());
}

TEST_F(ServiceGraphTest, ErrorTabRecomputesOrShowsStoredErrors) {
  show(sample());
  EXPECT_EQ(pointsOf(graph->packageSeries(0))[0], QPointF(2, 2.5));
  clickCheck(graph->bCalsDeltaAlways, true);
  EXPECT_EQ(pointsOf(graph->packageSeries(0))[0], QPointF(2, 7.5));
  // The pulse-output twin has no stored errors: it falls back to recomputing.
  EXPECT_EQ(graph->packageSeries(2)->points().size(), 2u);

  SPILTS_DATA_EXCHANGE noLines = sample();
  noLines.lines.clear();
  show(noLines);
  EXPECT_EQ(pointsOf(graph->packageSeries(0))[0], QPointF(2, 7.5));
  clickCheck(graph->bCalsDeltaAlways, false);
  EXPECT_TRUE(graph->packageSeries(0)->points().empty());
}

TEST_F(ServiceGraphTest, ErrorTabDrawsTheBandOfTheToleranceProfile) {
  show(sample());
  auto pointsOfCurve = [](const QCPCurve* c) {
    std::vector<QPointF> v;
    for (auto it = c->data()->constBegin(); it != c->data()->constEnd(); ++it)
      v.emplace_back(it->key, it->value);
    return v;
  };
  // The flows shown run from 2 to 16 m³/h: the band from 2 / 1.25 to 16 × 1.25.
  graph->setToleranceProfile(ToleranceProfile{"p", ZoneBasis::flow, {{0, 2, 2}, {10, 1, 0.5}}});
  ASSERT_TRUE(graph->bandUpper()->visible());
  EXPECT_EQ(pointsOfCurve(graph->bandUpper()),
            (std::vector<QPointF>{{1.6, 2}, {10, 2}, {10, 0.5}, {20, 0.5}}));
  EXPECT_EQ(pointsOfCurve(graph->bandLower()),
            (std::vector<QPointF>{{1.6, -2}, {10, -2}, {10, -1}, {20, -1}}));
  EXPECT_LE(graph->Chart->yAxis->range().lower, -2);
  EXPECT_GE(graph->Chart->yAxis->range().upper, 2);

  graph->TabControl->setCurrentIndex(1);
  EXPECT_FALSE(graph->bandUpper()->visible());
  graph->TabControl->setCurrentIndex(0);
  EXPECT_TRUE(graph->bandLower()->visible());
  graph->setToleranceProfile(std::nullopt);
  EXPECT_FALSE(graph->bandUpper()->visible());
  EXPECT_FALSE(graph->bandLower()->visible());
}

TEST_F(ServiceGraphTest, ListMenuSwitchesOnlyThePackageSeries) {
  show(sample());
  clickCheck(graph->CheckCasual, true);
  graph->NClearAll->trigger();
  for (int k = 0; k < 3; ++k) {
    EXPECT_FALSE(graph->packageSeries(k)->visible());
    EXPECT_EQ(graph->SpiltSelect->item(k)->checkState(), Qt::Unchecked);
  }
  EXPECT_TRUE(graph->curveSeries()->visible());
  EXPECT_TRUE(graph->scatterSeries()->visible());

  graph->SpiltSelect->item(1)->setCheckState(Qt::Checked);  // what a click on the box does
  EXPECT_TRUE(graph->packageSeries(1)->visible());
  graph->NInvert->trigger();
  EXPECT_EQ(graph->packageSeries(0)->visible(), true);
  EXPECT_EQ(graph->packageSeries(1)->visible(), false);
  graph->NSelectAll->trigger();
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(graph->packageSeries(k)->visible());
}

TEST_F(ServiceGraphTest, TabsSetTheirCaptionsAndFlowScale) {
  graph->setReadingCaption("Частота (Гц)");
  graph->setRatioCaption("Частота/Расход");
  show(sample());
  QCPAxis* bottom = graph->Chart->xAxis;
  EXPECT_EQ(bottom->scaleType(), QCPAxis::stLogarithmic);
  EXPECT_EQ(graph->Chart->yAxis->label(), "Относительная погрешность расхода (%)");
  clickCheck(graph->bLogariphmic, false);
  EXPECT_EQ(bottom->scaleType(), QCPAxis::stLinear);

  struct Case {
    int tab;
    QString left, bottom;
    bool log;
  };
  const Case cases[] = {{1, "Частота (Гц)", "Расход (м3/ч)", false},
                        {2, "Расход (м3/ч)", "Частота (Гц)", false},
                        {3, "Частота/Расход", "Расход (м3/ч)", true},
                        {0, "Относительная погрешность расхода (%)", "Расход (м3/ч)", true}};
  for (const Case& c : cases) {
    graph->TabControl->setCurrentIndex(c.tab);
    EXPECT_EQ(graph->leftCaption(), c.left) << c.tab;
    EXPECT_EQ(graph->bottomCaption(), c.bottom) << c.tab;
    EXPECT_EQ(graph->Chart->xAxis->label(), c.bottom) << c.tab;
    EXPECT_EQ(bottom->scaleType() == QCPAxis::stLogarithmic, c.log) << c.tab;
    EXPECT_EQ(graph->bLogariphmic->isChecked(), c.log) << c.tab;
    // The curve belongs to the characteristic tabs only.
    EXPECT_EQ(graph->curveSeries()->dataCount() > 0, c.tab != 0) << c.tab;
  }
  clickCheck(graph->bNameAxis, false);
  EXPECT_TRUE(graph->Chart->xAxis->label().isEmpty());
  EXPECT_TRUE(graph->Chart->yAxis->label().isEmpty());
  EXPECT_EQ(graph->leftCaption(), "Относительная погрешность расхода (%)");
}

TEST_F(ServiceGraphTest, ZoomButtonsOnTheLeftAxis) {
  show(sample());
  QCPAxis* left = graph->Chart->yAxis;
  const QCPRange automatic = left->range();
  left->setRange(-2, 3);
  graph->Closer->click();
  EXPECT_NEAR(left->range().lower, -1.5, 1e-12);
  EXPECT_NEAR(left->range().upper, 2.5, 1e-12);
  EXPECT_TRUE(left->grid()->subGridVisible());  // span 4
  graph->Further->click();
  EXPECT_NEAR(left->range().lower, -2.3, 1e-12);
  EXPECT_NEAR(left->range().upper, 3.3, 1e-12);
  EXPECT_FALSE(left->grid()->subGridVisible());  // span 5.6
  // A manual range survives a redraw; "Автоматический масштаб" gives the automatic one back.
  clickCheck(graph->bCalsDeltaAlways, true);
  clickCheck(graph->bCalsDeltaAlways, false);
  EXPECT_NEAR(left->range().upper, 3.3, 1e-12);
  graph->Auto->click();
  EXPECT_DOUBLE_EQ(left->range().lower, automatic.lower);
  EXPECT_DOUBLE_EQ(left->range().upper, automatic.upper);
}

TEST_F(ServiceGraphTest, ScatterGroupsTheShownPointsWithMarks) {
  show({{series("А", {pt(1, 10, 0.2), pt(1, 10.2, -0.1), pt(1, 10.4, 0.5), pt(1, 11, 1)})}, {}});
  clickCheck(graph->bCalsDeltaAlways, true);
  clickCheck(graph->CheckCasual, true);
  ASSERT_TRUE(graph->scatterSeries()->visible());
  const auto points = pointsOf(graph->scatterSeries());
  ASSERT_EQ(points.size(), 2u);
  EXPECT_NEAR(points[0].x(), 10.2, 1e-12);
  EXPECT_NEAR(points[0].y(), 0.2, 1e-12);
  EXPECT_EQ(points[1], QPointF(11, 1));
  EXPECT_EQ(marksOf(graph->scatterSeries()), QStringList({"0.60 %", "0.00 %"}));
  // Hidden series leave the scatter at the next redraw.
  graph->NClearAll->trigger();
  graph->Offset->setValue(1);
  EXPECT_TRUE(graph->scatterSeries()->points().empty());
  clickCheck(graph->CheckCasual, false);
  EXPECT_TRUE(marksOf(graph->scatterSeries()).isEmpty());
}

TEST_F(ServiceGraphTest, ValueMarksAndPointSize) {
  show(sample());
  EXPECT_TRUE(marksOf(graph->packageSeries(0)).isEmpty());
  clickCheck(graph->bMarks, true);
  EXPECT_EQ(marksOf(graph->packageSeries(0)).size(), 2);
  graph->SpiltSelect->item(0)->setCheckState(Qt::Unchecked);
  EXPECT_TRUE(marksOf(graph->packageSeries(0)).isEmpty());
  graph->PointSize->setValue(11);
  EXPECT_EQ(graph->packageSeries(2)->scatterStyle().size(), 11);
}

TEST_F(ServiceGraphTest, ActivationRestoresDefaultsAndReadsTheZeroOffsetSwitch) {
  show(sample());
  graph->TabControl->setCurrentIndex(2);
  clickCheck(graph->bMarks, true);
  clickCheck(graph->bAproxLine, false);
  clickCheck(graph->bNameAxis, false);
  graph->PointSize->setValue(20);
  graph->NClearAll->trigger();
  EXPECT_FALSE(graph->curveSeries()->visible());
  setRegistryZeroOffset(1);
  graph->FormActivate();
  EXPECT_EQ(graph->PointSize->value(), 6);
  EXPECT_FALSE(graph->bMarks->isChecked());
  EXPECT_TRUE(graph->bAproxLine->isChecked());
  EXPECT_TRUE(graph->curveSeries()->visible());
  EXPECT_FALSE(graph->Chart->xAxis->label().isEmpty());
  EXPECT_TRUE(graph->packageSeries(0)->visible());
  EXPECT_EQ(graph->TabControl->currentIndex(), 2);
  EXPECT_TRUE(graph->Offset->isVisibleTo(graph.get()));
  setRegistryZeroOffset(0);
  graph->FormActivate();
  EXPECT_FALSE(graph->Offset->isVisibleTo(graph.get()));
  EXPECT_FALSE(graph->OffsetLabel->isVisibleTo(graph.get()));
}

TEST_F(ServiceGraphTest, PrintPreviewShowsTheTabCaptionAsTitle) {
  show(sample());
  graph->TabControl->setCurrentIndex(3);
  QString title;
  int pagesPainted = 0;
  graph->execPreview = [&](QDialog& preview) {
    auto* element = qobject_cast<QCPTextElement*>(graph->Chart->plotLayout()->element(0, 0));
    if (element) title = element->text();
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    QTemporaryDir dir;
    printer.setOutputFileName(dir.filePath("chart.pdf"));
    QObject::connect(&static_cast<QPrintPreviewDialog&>(preview),
                     &QPrintPreviewDialog::paintRequested, [&] { ++pagesPainted; });
    emit static_cast<QPrintPreviewDialog&>(preview).paintRequested(&printer);
    EXPECT_GT(QFileInfo(dir.filePath("chart.pdf")).size(), 0);
  };
  graph->Print->click();
  EXPECT_EQ(title, "Относительная характеристика");
  EXPECT_EQ(pagesPainted, 1);
  EXPECT_EQ(graph->Chart->plotLayout()->rowCount(), 1);  // the title is gone again
}

TEST_F(ServiceGraphTest, EveryTabRendersOffscreen) {
  show(sample());
  QTemporaryDir dir;
  for (int tab = 0; tab < 4; ++tab) {
    graph->TabControl->setCurrentIndex(tab);
    const QString file = dir.filePath(QString("tab%1.png").arg(tab));
    ASSERT_TRUE(graph->Chart->savePng(file, 600, 400));
    const QImage image(file);
    ASSERT_FALSE(image.isNull());
    // Markers of the palette and the red curve, not just the frame and the background.
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 4u) << tab;
    bool green = false;
    for (QRgb c : colours) green = green || (qGreen(c) > 100 && qRed(c) < 60 && qBlue(c) < 60);
    EXPECT_TRUE(green) << tab;
  }
}

TEST_F(ServiceGraphTest, StatusBarAndMinimumControlColumn) {
  show(sample());
  graph->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(graph.get()));
  graph->Chart->replot();
  const QPoint centre = graph->Chart->rect().center();
  QMouseEvent move(QEvent::MouseMove, centre, graph->Chart->mapToGlobal(centre), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(graph->Chart, &move);
  EXPECT_EQ(
      graph->StatusPanel1->text(),
      "Расход (м3/ч): " + QString::asprintf("%g", graph->Chart->xAxis->pixelToCoord(centre.x())));
  EXPECT_TRUE(graph->StatusPanel2->text().startsWith("Относительная погрешность расхода (%): "));

  auto* splitter = graph->findChild<QSplitter*>();
  ASSERT_NE(splitter, nullptr);
  splitter->setSizes({5000, 20});
  EXPECT_GE(graph->ControlColumn->width(), TServiceGraph::kMinControlWidth);
}

TEST_F(ServiceGraphTest, ColouredCurveTakesThePaletteColourOfEachLine) {
  // One green series; two lines, so a coloured curve has a blue second segment (palette 1).
  show({{series("А", {pt(50, 2), pt(150, 12.5), pt(400, 25)})}, {{100, 0.1, 0}, {1e9, 0.05, 5}}});
  graph->TabControl->setCurrentIndex(1);
  const auto bluePixels = [&] {
    const QImage image = graph->Chart->toPixmap(600, 400).toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        count += c.blue() > 200 && c.red() < 60 && c.green() < 60;
      }
    return count;
  };
  EXPECT_EQ(bluePixels(), 0);
  clickCheck(graph->bColorAprox, true);
  EXPECT_GT(bluePixels(), 20);
}

TEST_F(ServiceGraphTest, ListHintIsTheCaptionUnderTheMouse) {
  show(sample());
  graph->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(graph.get()));
  QWidget* viewport = graph->SpiltSelect->viewport();
  const auto moveTo = [&](const QPoint& pos) {
    QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
  };
  moveTo(graph->SpiltSelect->visualItemRect(graph->SpiltSelect->item(1)).center());
  EXPECT_EQ(graph->SpiltSelect->toolTip(), "Поверка");
  moveTo(QPoint(5, viewport->height() - 2));
  EXPECT_TRUE(graph->SpiltSelect->toolTip().isEmpty());
}

// Errors that are equal, or differ only by rounding, as right after the coefficients were written:
// the left axis keeps a readable span, so its ticks differ and the points lie in the middle.
TEST_F(ServiceGraphTest, EqualErrorsDrawAsAFlatRowInTheMiddle) {
  const std::vector<std::vector<double>> cases = {{0.00610352, 0.00610352, 0.00610352},
                                                  {0.00610352, 0.00610352 + 1e-9, 0.00610352},
                                                  {-0.5, -0.5}};
  graph->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(graph.get()));
  for (const std::vector<double>& errors : cases) {
    SCOPED_TRACE(errors[1]);
    std::vector<SPILT_POINT> points;
    for (std::size_t i = 0; i < errors.size(); ++i) points.push_back(pt(10, 1.0 + i, errors[i]));
    show({{series("А", points)}, {}});
    clickCheck(graph->bCalsDeltaAlways, true);
    graph->Chart->replot();

    QCPAxis* left = graph->Chart->yAxis;
    const QVector<QString> labels = left->tickVectorLabels();
    ASSERT_GE(labels.size(), 2);
    EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), labels.size())
        << QStringList(labels.begin(), labels.end()).join(' ').toStdString();
    for (const QPointF& p : pointsOf(graph->packageSeries(0))) {
      const double place = (p.y() - left->range().lower) / left->range().size();
      EXPECT_GT(place, 0.4);
      EXPECT_LT(place, 0.6);
    }
    clickCheck(graph->bCalsDeltaAlways, false);
  }
}

// Like the dialogs, the window closes from the keyboard; closing only hides it.
TEST_F(ServiceGraphTest, EscapeAndCtrlWCloseTheWindow) {
  show(sample());
  for (const QKeyCombination key : {QKeyCombination(Qt::Key_Escape), Qt::CTRL | Qt::Key_W}) {
    graph->show();
    graph->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(graph.get()));
    graph->SpiltSelect->setFocus();
    QTest::keyClick(graph->SpiltSelect, key.key(), key.keyboardModifiers());
    EXPECT_FALSE(graph->isVisible()) << QKeySequence(key).toString().toStdString();
  }
  EXPECT_EQ(graph->packageSeriesCount(), 3);
}

// The window opens over the middle of the main window, and wholly on the screen when the main
// window is near an edge; every opening places it anew.
TEST(ServiceGraphPlacement, OpensCentredOnItsParentWithinTheScreen) {
  QWidget main;
  auto* graph = new TServiceGraph(&main);
  const QRect screen = main.screen()->availableGeometry();
  const QSize small(screen.width() / 2, screen.height() / 2);
  const QRect parents[] = {{screen.topLeft() + QPoint(40, 30), small},
                           {screen.center(), small},
                           {screen.topLeft() + QPoint(10, 10), screen.size() - QSize(60, 40)}};
  for (const QRect& at : parents) {
    main.setGeometry(at);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    graph->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(graph));
    const QRect frame = graph->frameGeometry();
    EXPECT_TRUE(screen.contains(frame)) << frame.x() << "," << frame.y();
    const QPointF wanted = QRectF(main.frameGeometry()).center();
    // Off centre only as far as the screen's edge demands.
    const double dx = std::abs(QRectF(frame).center().x() - wanted.x());
    const double dy = std::abs(QRectF(frame).center().y() - wanted.y());
    if (frame.left() > screen.left() && frame.right() < screen.right()) {
      EXPECT_LE(dx, 1) << at.x();
    }
    if (frame.top() > screen.top() && frame.bottom() < screen.bottom()) {
      EXPECT_LE(dy, 1) << at.y();
    }
    graph->close();
  }
}

// All four tab captions and whole package names, on a screen of 1280 x 720.
TEST_F(ServiceGraphTest, TabCaptionsAndPackageNamesShownWhole) {
  show({{series("Градуировка 12.05.2026 14:30", {pt(50, 2, 1)}),
         series("Поверка 12.05.2026 15:10 (имп. выход)", {pt(50, 2)}, false)},
        {}});
  graph->resize(graph->minimumSizeHint());
  graph->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(graph.get()));
  EXPECT_LE(graph->frameGeometry().width(), 1280);
  EXPECT_LE(graph->frameGeometry().height(), 720);

  ASSERT_EQ(graph->TabControl->count(), 4);
  for (int i = 0; i < graph->TabControl->count(); ++i) {
    const QPushButton* tab = graph->TabControl->button(i);
    SCOPED_TRACE(tab->text().toStdString());
    EXPECT_TRUE(tab->isVisible());
    EXPECT_GE(tab->width(), tab->sizeHint().width());
    const QRect inWindow(tab->mapTo(graph.get(), QPoint()), tab->size());
    EXPECT_TRUE(graph->rect().contains(inWindow));
  }
  const QListWidget* list = graph->SpiltSelect;
  for (int i = 0; i < list->count(); ++i) {
    const QListWidgetItem* item = list->item(i);
    SCOPED_TRACE(item->text().toStdString());
    const int textWidth = list->fontMetrics().horizontalAdvance(item->text());
    EXPECT_GE(list->visualItemRect(item).width(), textWidth);
    EXPECT_GE(list->viewport()->width(), list->sizeHintForColumn(0));
  }
}

// The chart is drawn once for each change, however many settings the change touches; a new
// document or tab also brings both axes back to the automatic scale in that one drawing.
TEST_F(ServiceGraphTest, EachChangeDrawsTheChartOnce) {
  int replots = 0;
  QObject::connect(graph->Chart, &QCustomPlot::afterReplot, graph->Chart, [&] { ++replots; });
  show(sample());
  EXPECT_EQ(replots, 1);

  struct Case {
    const char* change;
    std::function<void()> make;
  };
  const Case cases[] = {
      {"tab", [&] { graph->TabControl->setCurrentIndex(2); }},
      {"tab back", [&] { graph->TabControl->setCurrentIndex(0); }},
      {"marks", [&] { graph->bMarks->click(); }},
      {"scatter", [&] { graph->CheckCasual->click(); }},
      {"coloured lines", [&] { graph->bColorAprox->click(); }},
      {"list menu", [&] { graph->NClearAll->trigger(); }},
      {"list item", [&] { graph->SpiltSelect->item(1)->setCheckState(Qt::Checked); }},
      {"stored errors", [&] { graph->bCalsDeltaAlways->click(); }},
      {"point size", [&] { graph->PointSize->setValue(9); }},
      {"zoom", [&] { graph->Closer->click(); }},
  };
  for (const Case& c : cases) {
    replots = 0;
    c.make();
    EXPECT_EQ(replots, 1) << c.change;
  }

  const QCPRange zoomed = graph->Chart->yAxis->range();
  graph->NSelectAll->trigger();  // as a new document comes
  graph->Auto->click();
  const QCPRange automatic = graph->Chart->yAxis->range();
  ASSERT_NE(zoomed, automatic);
  graph->Closer->click();
  replots = 0;
  graph->showData(&data);
  EXPECT_EQ(replots, 1);
  EXPECT_EQ(graph->Chart->yAxis->range(), automatic);
}
