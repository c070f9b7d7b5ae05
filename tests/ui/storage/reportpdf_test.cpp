#include "ui/storage/reportpdf.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/base/errors.h"
#include "core/storage/reportfixture.h"

namespace {

// What a poppler tool prints for the file; empty when the tool is missing.
QString popplerOutput(const QString& tool, const QStringList& args) {
  QProcess p;
  p.start(tool, args);
  if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit) return {};
  return QString::fromUtf8(p.readAllStandardOutput());
}

ReportFacts judgedFacts(const PackageBase& package) {
  ReportFacts facts;
  facts.deviceName = "КЕЛТ-ЧИ7.73";
  facts.typeCode = 3;
  facts.verdict = reportVerdict(package, {"Класс 1", ZoneBasis::flow, {{0, 1, 1}}},
                                {"Сидорова А. Б.", "Стенд 2", "Весы ВЛ-60"});
  return facts;
}

}  // namespace

TEST(ReportPdf, VerdictTableInTextWithEveryFontEmbedded) {
  if (QStandardPaths::findExecutable("pdftotext").isEmpty() ||
      QStandardPaths::findExecutable("pdffonts").isEmpty())
    GTEST_SKIP() << "pdftotext and pdffonts (poppler-utils) are not installed";
  useDecimalSeparator(',');
  const PackagePtr package = packageOf(ekKelt, pkVerification, mMass,
                                       {{{colRefFlow, 2.0}, {colFlowError, 0.4}},
                                        {{colRefFlow, 2.02}, {colFlowError, 0.6}},
                                        {{colRefFlow, 10.0}, {colFlowError, 1.8}}});
  QTemporaryDir dir;
  const QString pdf = dir.filePath("protocol.pdf");
  writeReportPdf(pdf, judgedFacts(*package), *package);

  const QString text = popplerOutput("pdftotext", {"-layout", pdf, "-"});
  for (const char* expected : {"Протокол поверки преобразователя расхода", "Заключение о годности",
                               "Класс 1", "Преобразователь не годен", "Сидорова А. Б.",
                               "Весы ВЛ-60", "Подпись", "Погрешность dg по расходу"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
  // The section rows: number, mean flow, count, mean error and verdict.
  EXPECT_TRUE(text.contains(QRegularExpression("1\\s+2,010\\s+2\\s+0,500.*\\s+годен")));
  EXPECT_TRUE(text.contains(QRegularExpression("2\\s+10,000\\s+1\\s+1,800.*не годен")));

  const QStringList fonts = popplerOutput("pdffonts", {pdf}).split('\n', Qt::SkipEmptyParts);
  ASSERT_GT(fonts.size(), 2) << "no fonts listed";
  for (const QString& line : fonts.mid(2))
    EXPECT_TRUE(line.simplified().contains(" yes ")) << line.toStdString();
}

TEST(ReportPdf, AFileThatCannotBeWrittenIsReportedAndNothingIsLeft) {
  const PackagePtr package = packageOf(ekZorb, pkCalibration, mVolume);
  QTemporaryDir dir;
  const QString pdf = dir.filePath("missing/protocol.pdf");
  ReportFacts facts;
  EXPECT_THROW(writeReportPdf(pdf, facts, *package), MessageError);
  EXPECT_FALSE(QFile::exists(pdf));
}
