#include "ui/storage/reportpdf.h"

#include <qcustomplot.h>

#include <QAbstractTextDocumentLayout>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/base/errors.h"

namespace {

const QUrl kGraphUrl(QStringLiteral("tdreport://errors.png"));

struct Points {
  QVector<double> flow, error;
};

Points measuredPoints(const PackageBase& package) {
  Points p;
  for (int row = 0; row < package.entryCount(); ++row) {
    const double flow = realValue(package, row, colRefFlow);
    const double error = realValue(package, row, colFlowError);
    if (realValue(package, row, colSwitchedOff) != 0 || !std::isfinite(flow) ||
        !std::isfinite(error))
      continue;
    p.flow << std::fabs(flow);
    p.error << error;
  }
  return p;
}

QCPGraph* addPoints(QCustomPlot& plot, const Points& p, QCPScatterStyle style,
                    const QString& name) {
  QCPGraph* graph = plot.addGraph();
  graph->setLineStyle(QCPGraph::lsNone);
  graph->setScatterStyle(style);
  graph->setData(p.flow, p.error);
  graph->setName(name);
  return graph;
}

// One limit of every zone, held from the zone's start to the next one's, the last to `end`.
void addBand(QCustomPlot& plot, const ReportVerdict& v, double end, bool upper) {
  const double scale = v.profile.basis == ZoneBasis::fractionOfMax ? v.verdict.maxFlow : 1.0;
  QVector<double> x, y;
  for (const ToleranceZone& z : v.profile.zones) {
    x << z.from * scale;
    y << (upper ? z.plus : -z.minus);
  }
  x << end;
  y << y.back();
  QCPGraph* graph = plot.addGraph();
  graph->setLineStyle(QCPGraph::lsStepLeft);
  graph->setPen(QPen(QColor(200, 40, 40), 1.5, Qt::DashLine));
  graph->setData(x, y, true);
  graph->setName("Пределы dg");
  if (!upper) plot.legend->removeItem(plot.legend->itemCount() - 1);
}

Points sectionMeans(const PackageVerdict& v) {
  Points p;
  for (const SectionVerdict& s : v.sections) {
    if (!std::isfinite(s.flow) || !std::isfinite(s.meanError)) continue;
    p.flow << std::fabs(s.flow);
    p.error << s.meanError;
  }
  return p;
}

}  // namespace

QImage errorGraphImage(const PackageBase& package, const ReportVerdict* verdict, QSize size) {
  QCustomPlot plot;
  plot.resize(size);
  plot.legend->setVisible(true);
  plot.xAxis->setLabel("Расход, м³/ч");
  plot.yAxis->setLabel("dg, %");
  const Points points = measuredPoints(package);
  addPoints(plot, points, QCPScatterStyle(QCPScatterStyle::ssCircle, Qt::blue, 5), "Измерения");
  double lo = std::numeric_limits<double>::infinity(), hi = 0;
  for (double f : points.flow) {
    if (f > 0) lo = std::min(lo, f);
    hi = std::max(hi, f);
  }
  // Flows of a calibration span decades: a logarithmic axis when every flow is above zero.
  const bool logarithmic =
      std::isfinite(lo) && hi / lo > 10 &&
      std::all_of(points.flow.begin(), points.flow.end(), [](double f) { return f > 0; });
  if (logarithmic) {
    plot.xAxis->setScaleType(QCPAxis::stLogarithmic);
    plot.xAxis->setTicker(QSharedPointer<QCPAxisTickerLog>(new QCPAxisTickerLog));
  }
  plot.rescaleAxes();
  if (verdict) {
    const double end = hi > 0 ? hi * 1.2 : 1;
    addBand(plot, *verdict, end, true);
    addBand(plot, *verdict, end, false);
    QCPGraph* means = addPoints(
        plot, sectionMeans(verdict->verdict),
        QCPScatterStyle(QCPScatterStyle::ssDiamond, QColor(0, 120, 0), QColor(0, 170, 0), 9),
        "Среднее в сечении");
    means->setPen(QPen(QColor(0, 120, 0)));
    double top = 0;
    for (const ToleranceZone& z : verdict->profile.zones) top = std::max({top, z.plus, z.minus});
    const QCPRange y = plot.yAxis->range();
    plot.yAxis->setRange(std::min(y.lower, -top * 1.3), std::max(y.upper, top * 1.3));
  }
  const QCPRange x = plot.xAxis->range();
  if (logarithmic)
    plot.xAxis->setRange(x.lower / 1.3, x.upper * 1.3);
  else
    plot.xAxis->setRange(std::min(0.0, x.lower), x.upper * 1.1 + (x.upper == 0));
  plot.replot(QCustomPlot::rpImmediateRefresh);
  return plot.toPixmap(size.width(), size.height(), 2.0).toImage();
}

void printProtocol(QPagedPaintDevice& device, int resolution, const ReportFacts& facts,
                   const PackageBase& package) {
  const ReportVerdict* verdict = facts.verdict ? &*facts.verdict : nullptr;
  device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                   QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
  const QSize page = device.pageLayout().paintRectPixels(resolution).size();

  QTextDocument doc;
  doc.documentLayout()->setPaintDevice(&device);
  doc.setPageSize(page);
  doc.setDocumentMargin(0);
  QFont font("DejaVu Sans");
  font.setPointSizeF(7);
  doc.setDefaultFont(font);
  // A number or a caption split over two lines of a narrow column reads as two values.
  doc.setDefaultStyleSheet("td, th { white-space: nowrap; }");
  doc.addResource(QTextDocument::ImageResource, kGraphUrl,
                  errorGraphImage(package, verdict, QSize(900, 450)));
  QString html = QString::fromStdString(reportHtml(facts, package));
  // An image's width on the page is counted in pixels of a 96-dpi screen.
  html.insert(html.lastIndexOf("</body>"),
              QStringLiteral("<p align=\"center\"><b>Погрешность dg по расходу</b><br>"
                             "<img src=\"%1\" width=\"%2\"></p>")
                  .arg(kGraphUrl.toString())
                  .arg(page.width() * 96 / resolution));
  doc.setHtml(html);
  doc.print(&device);
}

void writeReportPdf(const QString& path, const ReportFacts& facts, const PackageBase& package) {
  QSaveFile file(path);
  auto failed = [&] {
    return MessageError("Не удалось записать файл " + path.toStdString() + ": " +
                        file.errorString().toStdString());
  };
  if (!file.open(QIODevice::WriteOnly)) throw failed();
  {
    QPdfWriter writer(&file);
    writer.setResolution(300);
    writer.setTitle(package.kind ? "Протокол поверки" : "Протокол градуировки");
    writer.setCreator("TidemarkService");
    printProtocol(writer, writer.resolution(), facts, package);
  }
  if (file.error() != QFileDevice::NoError || !file.commit()) throw failed();
}
