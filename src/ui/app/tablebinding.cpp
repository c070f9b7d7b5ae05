#include "ui/app/tablebinding.h"

#include "core/base/errors.h"
#include "core/base/localehook.h"
#include "core/package/approxstate.h"
#include "core/package/celltext.h"
#include "core/package/packagebase.h"
#include "core/storage/report.h"
#include "ui/base/messagelog.h"
#include "ui/base/regkey.h"
#include "ui/widgets/goodtable.h"

namespace {

// A stored width beyond this is not one a user dragged on any screen: the column fits instead.
constexpr int kMaxStoredWidth = 4000;

QString rowTip(const RowVerdict& r) {
  const char sep = localeHook().decimalSeparator;
  return QString::fromStdString((r.within ? "В допуске: dg = " : "Вне допуска: dg = ") +
                                formatReal(r.error, 3, sep) + " %, пределы " +
                                limitText(r.limit, sep) + " % при расходе " +
                                formatReal(r.flow, 3, sep) + " м³/ч");
}

}  // namespace

TableBinding::TableBinding(TGoodTable* table) : QObject(table), table_(table) {
  connect(table_, &TGoodTable::OnChange, this, [this] { guarded([this] { tableChanged(); }); });
  connect(table_, &TGoodTable::OnColResize, this,
          [this](TGoodTable*, int col) { guarded([this, col] { storeWidth(col); }); });
}

void TableBinding::bind(PackagePtr package, int hiddenColumns) {
  package_ = std::move(package);
  if (!package_) return;
  const int columns = package_->columnCount() - hiddenColumns;
  table_->HideEditor();
  table_->SetColCount(columns);
  table_->SetRowCount(package_->entryCount());
  const std::vector<int> stored = storedWidths(columns);
  for (int col = 0; col < columns; ++col) {
    const ColumnInfo info = package_->column(col);
    table_->SetCaptions(col, QString::fromUtf8(info.caption));
    table_->SetColTypes(col, info.checkBox ? ColType::CheckBox : ColType::Text);
    table_->SetColReadOnly(col, info.readOnly);
    for (int row = 0; row < package_->entryCount(); ++row) fillCell(row, col);
    // The designed width is the least: a font wider than the one it was chosen for widens it.
    if (stored[col] > 0 && stored[col] <= kMaxStoredWidth)
      table_->SetWidths(col, stored[col]);
    else
      table_->FitColumn(col, info.width);
  }
  // A table that has rows always has a current cell, so typing starts at once.
  if (table_->GetRowCount() > 0 && table_->GetRow() < 0) table_->SetRow(0);
  if (columns > 0 && table_->GetCol() < 0) table_->SetCol(0);
  refreshVerdict();
}

void TableBinding::setProfile(std::optional<ToleranceProfile> profile) {
  profile_ = std::move(profile);
  refreshVerdict();
}

void TableBinding::refreshVerdict() {
  if (markedColumn_ >= 0 && markedColumn_ < table_->GetColCount())
    for (int row = 0; row < table_->GetRowCount(); ++row)
      table_->SetCellMark(row, markedColumn_, CellMark::None, {});
  markedColumn_ = -1;
  if (!package_ || !profile_) {
    if (onVerdict) onVerdict(nullptr);
    return;
  }
  const PackageVerdict verdict = judgePackage(*package_, *profile_, apprSettings().sectionScatter);
  for (int col = 0; col < table_->GetColCount(); ++col)
    if (package_->column(col).id == colFlowError) markedColumn_ = col;
  if (markedColumn_ >= 0)
    for (const RowVerdict& r : verdict.rows)
      if (r.row < table_->GetRowCount())
        table_->SetCellMark(r.row, markedColumn_, r.within ? CellMark::Good : CellMark::Bad,
                            rowTip(r));
  if (onVerdict) onVerdict(&verdict);
}

void TableBinding::fillCell(int row, int col) {
  if (table_->GetColTypes(col) == ColType::CheckBox)
    table_->SetCellsChecked(row, col, package_->cellChecked(row, col));
  else
    table_->SetCells(row, col, QString::fromStdString(package_->cellText(row, col)));
}

void TableBinding::refreshRow(int row) {
  if (row >= table_->GetRowCount()) return;
  for (int col = 0; col < table_->GetColCount(); ++col) fillCell(row, col);
}

// Each keystroke in the cell editor arrives here: the text is stored when it converts, the cell
// then shows what the package holds (the editor keeps what was typed), and the row follows.
void TableBinding::tableChanged() {
  const int row = table_->GetRow();
  const int col = table_->GetCol();
  if (!package_ || row < 0 || col < 0 || row >= package_->entryCount() ||
      col >= table_->GetColCount())
    return;
  if (table_->GetColTypes(col) == ColType::CheckBox) {
    package_->setCellChecked(row, col, table_->GetCellsChecked(row, col));
  } else {
    try {
      package_->setCellText(row, col, table_->GetCells(row, col).toStdString());
    } catch (const ConvertError&) {
      // Not a number (yet): the stored value stays and is shown again.
    }
  }
  package_->recalcEntry(row);
  refreshRow(row);
  if (profile_) refreshVerdict();
}

QString TableBinding::widthSetting(int entryKind, int kind, int columnId) {
  return QStringLiteral("ColumnWidth_%1_%2_%3").arg(entryKind).arg(kind).arg(columnId);
}

QString TableBinding::widthSetting(int col) const {
  return widthSetting(package_->entryKind(), package_->kind, package_->column(col).id);
}

// Settings that cannot be read leave every column fitting its texts (the console says why).
std::vector<int> TableBinding::storedWidths(int columns) const {
  std::vector<int> widths(columns, 0);
  guarded([&] {
    RegKey key;
    key.create(kProgramKey);
    for (int col = 0; col < columns; ++col) widths[col] = key.readInt(widthSetting(col), 0);
  });
  return widths;
}

void TableBinding::storeWidth(int col) {
  if (!package_ || col >= package_->columnCount()) return;
  RegKey key;
  key.create(kProgramKey);
  key.writeInt(widthSetting(col), table_->GetAutoWidths(col) ? 0 : table_->GetWidths(col));
}
