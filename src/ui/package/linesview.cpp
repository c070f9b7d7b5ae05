#include "ui/package/linesview.h"

#include <QVBoxLayout>

#include "core/base/localehook.h"
#include "core/document/devicebase.h"
#include "core/package/approxstate.h"
#include "core/package/celltext.h"
#include "ui/widgets/goodtable.h"

namespace {
constexpr int kCoefficientDigits = 7;
constexpr int kRangeDigits = 6;
constexpr int kRangeColumn = 2;

QString fixed(double v, int digits) {
  return QString::fromStdString(formatReal(v, digits, localeHook().decimalSeparator));
}
}  // namespace

TLinesDlg::TLinesDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
  setWindowTitle("Коэффициенты");
  LinesTable = new TGoodTable;
  LinesTable->setAccessibleName("Коэффициенты");
  LinesTable->SetItems({"A", "B", "F (Гц)"});
  LinesTable->FitColumn(0, 70);
  LinesTable->FitColumn(1, 70);
  LinesTable->FitColumn(2, 90);
  LinesTable->SetReadOnly(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(LinesTable);
  resize(306, 328);
  refresh();
}

void TLinesDlg::refresh() {
  const std::vector<files::Line>& lines = currentLines();
  const int count = static_cast<int>(lines.size());
  LinesTable->SetRowCount(count);
  for (int i = 0; i < count; ++i) {
    LinesTable->SetCells(i, 0, fixed(lines[i].A, kCoefficientDigits));
    LinesTable->SetCells(i, 1, fixed(lines[i].B, kCoefficientDigits));
    LinesTable->SetCells(i, kRangeColumn, i + 1 < count ? fixed(lines[i].F, kRangeDigits) : "");
  }
}

void TLinesDlg::setReadingCaption(const QString& caption) {
  LinesTable->SetCaptions(kRangeColumn, caption);
}

void TLinesDlg::showEvent(QShowEvent* event) {
  refresh();
  QDialog::showEvent(event);
}

QString readingCaption(int typeCode) {
  return deviceFamily(typeCode) == dfTd ? "Код" : "Частота (Гц)";
}
