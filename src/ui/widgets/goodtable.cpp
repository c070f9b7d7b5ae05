#include "ui/widgets/goodtable.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleOptionButton>
#include <QStyleOptionHeader>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int kHorzLineStep = 10;
constexpr int kDefaultColumnWidth = 50;
constexpr int kWheelNotch = 120;
const QColor kGridColor(192, 192, 192);

bool IsPrintable(const QString& text) {
  return !text.isEmpty() &&
         std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

// Whole, or its beginning and "…": the style alone would cut a centred caption at both ends.
QString Elided(const QFontMetrics& metrics, const QString& text, int room) {
  return metrics.elidedText(text, Qt::ElideRight, std::max(room, 0));
}

}  // namespace

class TGoodTable::CaptionHeader : public QHeaderView {
 public:
  using QHeaderView::QHeaderView;

  QString shownCaption(int col) const {
    QStyleOptionHeader option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, col);
    option.rect = QRect(0, 0, sectionSize(col), height());
    return Elided(option.fontMetrics, option.text, labelRoom(option));
  }

  // The room the style leaves for the caption text in a section this wide.
  int labelRoom(const QStyleOptionHeader& option) const {
    return style()->subElementRect(QStyle::SE_HeaderLabel, &option, this).width();
  }

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int col) const override {
    if (!rect.isValid()) return;
    QStyleOptionHeader option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, col);
    option.rect = rect;
    option.text = Elided(option.fontMetrics, option.text, labelRoom(option));
    style()->drawControl(QStyle::CE_Header, &option, painter, this);
  }
};

TGoodTable::TGoodTable(QWidget* parent)
    : QAbstractScrollArea(parent),
      headerModel_(new QStandardItemModel(this)),
      header_(new CaptionHeader(Qt::Horizontal, viewport())),
      editor_(new QLineEdit(viewport())) {
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName(QStringLiteral("Таблица"));
  // Every pixel of the viewport is painted here: no erase before painting.
  viewport()->setAutoFillBackground(false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

  header_->setModel(headerModel_);
  header_->setFixedHeight(HeaderHeight);
  header_->setDefaultAlignment(Qt::AlignCenter);
  header_->setDefaultSectionSize(kDefaultColumnWidth);
  header_->setMinimumSectionSize(1);
  header_->setSectionResizeMode(QHeaderView::Interactive);
  header_->setSectionsClickable(false);
  header_->setHighlightSections(false);
  header_->setStretchLastSection(false);
  header_->setFocusPolicy(Qt::NoFocus);
  header_->viewport()->installEventFilter(this);
  connect(header_, &QHeaderView::sectionResized, this, [this](int col) { SectionResized(col); });
  connect(header_, &QHeaderView::sectionHandleDoubleClicked, this,
          [this](int col) { DividerDoubleClicked(col); });

  editor_->setFrame(false);
  editor_->setAccessibleName(QStringLiteral("Редактор ячейки"));
  editor_->hide();
  editor_->installEventFilter(this);
  connect(editor_, &QLineEdit::textEdited, this, [this] { EditChange(); });

  verticalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setSingleStep(kHorzLineStep);
  Relayout();
}

// ---- cells and columns ----------------------------------------------------------------------

void TGoodTable::SetCells(int row, int col, const QString& text) {
  cells_.at(row).at(col).text = text;
  InvalidateCell(row, col);
  if (row == row_ && col == col_) UpdateDescription();
  if (columns_[col].autoWidth && columns_[col].type == ColType::Text) Widen(col, TextWidth(text));
}

void TGoodTable::SetCellMark(int row, int col, CellMark mark, const QString& tip) {
  Cell& cell = cells_.at(row).at(col);
  if (cell.mark == mark && cell.tip == tip) return;
  cell.mark = mark;
  cell.tip = tip;
  InvalidateCell(row, col);
  if (mark != CellMark::None && columns_[col].autoWidth && columns_[col].type == ColType::Text)
    Widen(col, TextWidth(cell.text) + MarkWidth);
}

bool TGoodTable::ColumnMarked(int col) const {
  return std::any_of(cells_.begin(), cells_.end(),
                     [col](const auto& row) { return row[col].mark != CellMark::None; });
}

void TGoodTable::SetCellsChecked(int row, int col, bool checked) {
  cells_.at(row).at(col).checked = checked;
  InvalidateCell(row, col);
  if (row == row_ && col == col_) UpdateDescription();
}

QString TGoodTable::GetCaptions(int col) const {
  return headerModel_->headerData(col, Qt::Horizontal).toString();
}

void TGoodTable::SetCaptions(int col, const QString& caption) {
  headerModel_->setHeaderData(col, Qt::Horizontal, caption);
  if (columns_.at(col).autoWidth) Widen(col, CaptionWidth(col));
}

int TGoodTable::GetWidths(int col) const { return header_->sectionSize(col); }

void TGoodTable::SetWidths(int col, int width) {
  columns_.at(col).autoWidth = false;
  ResizeColumn(col, width);
}

void TGoodTable::FitColumn(int col, int minWidth) {
  columns_.at(col).autoWidth = true;
  columns_[col].minWidth = minWidth;
  Refit(col);
}

int TGoodTable::ContentWidth(int col) const {
  int width = CaptionWidth(col);
  if (columns_.at(col).type == ColType::CheckBox)
    return std::max(width, CheckBoxSize + 2 * CellPadding + 1);
  const int mark = ColumnMarked(col) ? MarkWidth : 0;
  for (const auto& row : cells_) width = std::max(width, TextWidth(row[col].text) + mark);
  return width;
}

// The section width that shows a text whole: the text, the padding on both sides and the grid
// line at the right edge.
int TGoodTable::TextWidth(const QString& text) const {
  // Rounded up: the eliding compares the exact, fractional advance with the room.
  const qreal advance = QFontMetricsF(font()).horizontalAdvance(text);
  return static_cast<int>(std::ceil(advance)) + 2 * CellPadding + 1;
}

// The header's own size hint rounds the caption's advance, which can leave it a pixel short of
// what the eliding needs.
int TGoodTable::CaptionWidth(int col) const {
  const qreal advance = QFontMetricsF(header_->font()).horizontalAdvance(GetCaptions(col));
  const int margins = 2 * header_->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header_);
  return std::max(header_->sectionSizeHint(col), static_cast<int>(std::ceil(advance)) + margins);
}

QString TGoodTable::ShownText(int row, int col) const {
  const Cell& cell = cells_.at(row).at(col);
  const int mark = cell.mark == CellMark::None ? 0 : MarkWidth;
  return Elided(fontMetrics(), cell.text, header_->sectionSize(col) - 1 - 2 * CellPadding - mark);
}

QString TGoodTable::ShownCaption(int col) const { return header_->shownCaption(col); }

// Only ever wider: measuring one changed cell is enough to keep typing quick.
void TGoodTable::Widen(int col, int width) {
  if (width > header_->sectionSize(col)) ResizeColumn(col, width);
}

void TGoodTable::Refit(int col) {
  ResizeColumn(col, std::max(columns_[col].minWidth, ContentWidth(col)));
}

void TGoodTable::ResizeColumn(int col, int width) {
  // The header reports the resize, which re-lays the table.
  const bool outer = std::exchange(resizing_, true);
  header_->resizeSection(col, width);
  resizing_ = outer;
}

void TGoodTable::SectionResized(int col) {
  if (resizing_ || !headerPressed_) {
    // A width set by the program, often while the user types: the editor moves with its cell.
    LayoutHeader();
    PlaceEditor();
    return;
  }
  columns_.at(col).autoWidth = false;
  draggedCol_ = col;
  Relayout();
}

void TGoodTable::DividerDoubleClicked(int col) {
  FitColumn(col, columns_.at(col).minWidth);
  emit OnColResize(this, col);
}

// Tells a drag of a divider by the user from the widths the program sets, and reports the drag
// once, when it ends, rather than for every pixel.
bool TGoodTable::HeaderMouse(QEvent* event) {
  const auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton) return false;
  if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
    headerPressed_ = true;
  } else if (event->type() == QEvent::MouseButtonRelease) {
    headerPressed_ = false;
    const int col = std::exchange(draggedCol_, -1);
    if (col >= 0 && col < GetColCount()) emit OnColResize(this, col);
  }
  return false;
}

void TGoodTable::SetColTypes(int col, ColType type) {
  if (columns_.at(col).type == type) return;
  columns_[col].type = type;
  InvalidateColumn(col);
}

void TGoodTable::SetColReadOnly(int col, bool readOnly) {
  columns_.at(col).readOnly = readOnly;
  InvalidateColumn(col);
}

void TGoodTable::SetColCount(int count) {
  count = std::max(count, 0);
  headerModel_->setColumnCount(count);
  columns_.resize(count);
  for (auto& row : cells_) row.resize(count);
  draggedCol_ = -1;
  if (col_ >= count) {
    HideEditor();
    col_ = count - 1;
  }
  Relayout();
}

void TGoodTable::SetRowCount(int count) {
  count = std::max(count, 0);
  cells_.resize(count, std::vector<Cell>(columns_.size()));
  if (row_ >= count) {
    HideEditor();
    row_ = count - 1;
  }
  UpdateScrollBars();
  viewport()->update();
  UpdateDescription();
}

void TGoodTable::SetCol(int col) {
  if (col != col_) SetCurrent(row_, col);
}

void TGoodTable::SetRow(int row) {
  if (row != row_) SetCurrent(row, col_);
}

void TGoodTable::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  if (readOnly_) HideEditor();
}

void TGoodTable::SetItems(const QStringList& items) {
  items_ = items;
  SetColCount(static_cast<int>(items_.size()));
  for (int i = 0; i < items_.size(); ++i) SetCaptions(i, items_[i]);
}

// ---- current cell, editor, check boxes ------------------------------------------------------

bool TGoodTable::HasCurrentCell() const {
  return row_ >= 0 && row_ < GetRowCount() && col_ >= 0 && col_ < GetColCount();
}

bool TGoodTable::CurrentEditable(ColType type) const {
  return HasCurrentCell() && !readOnly_ && !columns_[col_].readOnly && columns_[col_].type == type;
}

void TGoodTable::SetCurrent(int row, int col) {
  HideEditor();
  InvalidateCell(row_, col_);
  row_ = row;
  col_ = col;
  AdjustScroll();
  InvalidateCell(row_, col_);
  UpdateDescription();
  emit OnSelChange(this);
}

void TGoodTable::ShowEditor() {
  if (!CurrentEditable(ColType::Text)) return;
  editor_->setText(cells_[row_][col_].text);
  editor_->show();
  PlaceEditor();
  editor_->setFocus(Qt::OtherFocusReason);
  // While editing, Tab leads into the editor, not onto the table.
  setFocusPolicy(Qt::ClickFocus);
}

void TGoodTable::HideEditor() {
  if (!editor_->isVisible()) return;
  setFocusPolicy(Qt::StrongFocus);
  if (editor_->hasFocus()) setFocus(Qt::OtherFocusReason);
  editor_->hide();
}

void TGoodTable::PlaceEditor() {
  if (!editor_->isVisible() || !HasCurrentCell()) return;
  const QRect cell = CellRect(row_, col_);
  editor_->setGeometry(cell.left(), cell.top(), header_->sectionSize(col_) - 1, RowHeight - 1);
}

void TGoodTable::InvChecking() {
  if (!CurrentEditable(ColType::CheckBox)) return;
  Cell& cell = cells_[row_][col_];
  cell.checked = !cell.checked;
  InvalidateCell(row_, col_);
  UpdateDescription();
  Change();
}

void TGoodTable::Action() {
  if (col_ >= 0 && col_ < GetColCount() && columns_[col_].type == ColType::CheckBox)
    InvChecking();
  else
    ShowEditor();
}

void TGoodTable::Change() { emit OnChange(this); }

void TGoodTable::EditChange() {
  if (!HasCurrentCell()) return;
  cells_[row_][col_].text = editor_->text();
  InvalidateCell(row_, col_);
  UpdateDescription();
  if (columns_[col_].autoWidth) Widen(col_, TextWidth(editor_->text()));
  Change();
}

void TGoodTable::UpdateDescription() {
  if (!HasCurrentCell()) {
    setAccessibleDescription(QStringLiteral("Нет текущей ячейки"));
    return;
  }
  const Cell& cell = cells_[row_][col_];
  const QString value =
      columns_[col_].type == ColType::CheckBox
          ? (cell.checked ? QStringLiteral("отмечено") : QStringLiteral("не отмечено"))
          : cell.text;
  setAccessibleDescription(
      QStringLiteral("Строка %1, столбец «%2»: %3").arg(row_ + 1).arg(GetCaptions(col_), value));
}

// ---- geometry and scrolling -----------------------------------------------------------------

QRect TGoodTable::CellRect(int row, int col) const {
  const int left = header_->sectionPosition(col) - horizontalScrollBar()->value();
  const int top = (row - verticalScrollBar()->value()) * RowHeight + HeaderHeight;
  return QRect(left, top, header_->sectionSize(col) - 1, RowHeight - 1);
}

QRect TGoodTable::CheckBoxRect(int row, int col) const {
  QRect box(0, 0, CheckBoxSize, CheckBoxSize);
  box.moveCenter(CellRect(row, col).center());
  return box;
}

int TGoodTable::PageRows() const { return (viewport()->height() - HeaderHeight) / RowHeight; }

// One past the last row that shows at least partly.
int TGoodTable::VisibleRowsEnd() const {
  const int shown = (viewport()->height() - HeaderHeight + RowHeight - 1) / RowHeight;
  return verticalScrollBar()->value() + std::max(shown, 0);
}

// The row (shown or not) at a height of the viewport; the header counts as the top row.
int TGoodTable::RowAt(int y) const {
  return verticalScrollBar()->value() + std::max(y - HeaderHeight, 0) / RowHeight;
}

void TGoodTable::InvalidateCell(int row, int col) {
  if (row < verticalScrollBar()->value() || row >= VisibleRowsEnd()) return;
  if (col < 0 || col >= GetColCount()) return;
  viewport()->update(CellRect(row, col));
}

void TGoodTable::InvalidateColumn(int col) {
  const QRect cell = CellRect(0, col);
  viewport()->update(cell.left(), HeaderHeight, cell.width(), viewport()->height());
}

void TGoodTable::UpdateScrollBars() {
  QScrollBar* h = horizontalScrollBar();
  const int page = viewport()->width();
  h->setPageStep(std::max(page - kHorzLineStep, kHorzLineStep));
  h->setRange(0, std::max(header_->length() - std::max(page, 1), 0));

  QScrollBar* v = verticalScrollBar();
  const int rows = PageRows();
  v->setPageStep(std::max(rows - 1, 1));
  v->setRange(0, std::max(GetRowCount() - std::max(rows, 1), 0));
}

void TGoodTable::Relayout() {
  HideEditor();
  LayoutHeader();
}

void TGoodTable::LayoutHeader() {
  header_->setGeometry(0, 0, viewport()->width(), HeaderHeight);
  header_->setOffset(horizontalScrollBar()->value());
  UpdateScrollBars();
  viewport()->update();
}

void TGoodTable::AdjustScroll() {
  if (col_ >= 0 && col_ < GetColCount()) {
    QScrollBar* h = horizontalScrollBar();
    const int left = header_->sectionPosition(col_);
    const int right = left + header_->sectionSize(col_);
    if (left < h->value())
      h->setValue(left);
    else if (right - h->value() > viewport()->width())
      h->setValue(std::min(left, right - viewport()->width()));
  }
  if (row_ >= 0 && row_ < GetRowCount()) {
    QScrollBar* v = verticalScrollBar();
    const int page = std::max(PageRows(), 1);
    if (row_ < v->value())
      v->setValue(row_);
    else if (row_ >= v->value() + page)
      v->setValue(row_ - page + 1);
  }
}

void TGoodTable::scrollContentsBy(int, int) {
  HideEditor();
  header_->setOffset(horizontalScrollBar()->value());
  viewport()->update();
}

void TGoodTable::resizeEvent(QResizeEvent*) { Relayout(); }

// ---- painting -------------------------------------------------------------------------------

// What every cell of one paint needs, looked up once: the colours, the focus and the two check
// box images (drawing the style's check box for each cell would cost more than the rest).
struct TGoodTable::PaintKit {
  explicit PaintKit(const TGoodTable& table) : pal(table.palette()), focused(table.hasFocus()) {
    for (bool checked : {false, true}) box[checked] = CheckBoxImage(table, checked);
  }

  static QPixmap CheckBoxImage(const TGoodTable& table, bool checked) {
    const qreal ratio = table.devicePixelRatioF();
    QPixmap image(QSize(CheckBoxSize, CheckBoxSize) * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QStyleOptionButton option;
    option.initFrom(&table);
    option.rect = QRect(0, 0, CheckBoxSize, CheckBoxSize);
    option.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
    table.style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, &table);
    return image;
  }

  QPalette pal;
  bool focused;
  QPixmap box[2];
};

void TGoodTable::paintEvent(QPaintEvent* event) {
  const PaintKit kit(*this);
  QPainter painter(viewport());
  painter.setFont(font());
  const QRect area = event->rect();
  const int width = viewport()->width();
  // Only the rows the paint area touches: a changed cell repaints itself, not its whole column.
  const int top = verticalScrollBar()->value();
  const int firstRow = RowAt(area.top());
  const int endRow = std::min(RowAt(area.bottom()) + 1, VisibleRowsEnd());
  const int hpos = horizontalScrollBar()->value();

  for (int col = 0; col < GetColCount(); ++col) {
    const int left = header_->sectionPosition(col) - hpos;
    const int right = left + header_->sectionSize(col) - 1;
    if (right < area.left() || left > area.right()) continue;
    painter.setPen(kGridColor);
    painter.drawLine(right, HeaderHeight, right, viewport()->height());
    for (int row = firstRow; row < endRow; ++row) DrawCell(painter, kit, row, col);
  }

  const int contentRight = header_->length() - hpos;
  painter.setPen(kGridColor);
  for (int row = firstRow; row < endRow; ++row) {
    const int y = (row - top) * RowHeight + HeaderHeight;
    if (contentRight < width)
      painter.fillRect(contentRight, y, width - contentRight, RowHeight - 1,
                       kit.pal.color(QPalette::Midlight));
    painter.drawLine(0, y + RowHeight - 1, width, y + RowHeight - 1);
  }
}

void TGoodTable::DrawCell(QPainter& painter, const PaintKit& kit, int row, int col) const {
  const QRect rect = CellRect(row, col);
  const QPalette& pal = kit.pal;
  if (row >= GetRowCount()) {
    painter.fillRect(rect, pal.color(QPalette::Midlight));
    return;
  }
  QPalette::ColorRole back = columns_[col].readOnly ? QPalette::Midlight : QPalette::Base;
  QPalette::ColorRole fore = QPalette::Text;
  if (row == row_ && col == col_) {
    back = kit.focused ? QPalette::Highlight : QPalette::Button;
    fore = kit.focused ? QPalette::HighlightedText : QPalette::ButtonText;
  }
  const Cell& cell = cells_[row][col];
  const bool current = row == row_ && col == col_;
  if (cell.mark != CellMark::None && !current)
    painter.fillRect(rect,
                     cell.mark == CellMark::Good ? QColor(222, 242, 222) : QColor(250, 214, 214));
  else
    painter.fillRect(rect, pal.color(back));
  if (columns_[col].type == ColType::CheckBox) {
    painter.drawPixmap(CheckBoxRect(row, col).topLeft(), kit.box[cell.checked]);
    return;
  }
  int textLeft = CellPadding;
  if (cell.mark != CellMark::None) {
    DrawMark(painter, rect, cell.mark);
    textLeft += MarkWidth;
  }
  if (cell.text.isEmpty()) return;
  painter.setPen(pal.color(fore));
  painter.drawText(rect.adjusted(textLeft, 0, -CellPadding, 0), Qt::AlignCenter,
                   ShownText(row, col));
}

// A tick or a cross of 7 × 7 pixels at the cell's left, in a dark green or red that stays
// readable on the tint and on the highlight of the current cell.
void TGoodTable::DrawMark(QPainter& painter, const QRect& rect, CellMark mark) const {
  const QPointF o(rect.left() + CellPadding + 0.5, rect.center().y() - 3.5);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  if (mark == CellMark::Good) {
    painter.setPen(QPen(QColor(0, 110, 0), 1.6));
    painter.drawPolyline(QPolygonF({o + QPointF(0, 4), o + QPointF(2.5, 7), o + QPointF(7, 0)}));
  } else {
    painter.setPen(QPen(QColor(180, 0, 0), 1.6));
    painter.drawLine(o, o + QPointF(7, 7));
    painter.drawLine(o + QPointF(0, 7), o + QPointF(7, 0));
  }
  painter.restore();
}

bool TGoodTable::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QAbstractScrollArea::viewportEvent(event);
  const QPoint pos = static_cast<QHelpEvent*>(event)->pos();
  const int row = RowAt(pos.y());
  const int col = header_->logicalIndexAt(pos.x() + horizontalScrollBar()->value());
  const bool inCells = pos.y() >= HeaderHeight && row >= 0 && row < GetRowCount() && col >= 0;
  const QString tip = inCells ? cells_[row][col].tip : QString();
  if (tip.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, viewport(),
                       CellRect(row, col));
  return true;
}

// Another font measures differently: columns that follow their contents are fitted again.
void TGoodTable::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() != QEvent::FontChange) return;
  for (int col = 0; col < GetColCount(); ++col)
    if (columns_[col].autoWidth) Refit(col);
}

void TGoodTable::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  InvalidateCell(row_, col_);
}

void TGoodTable::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  InvalidateCell(row_, col_);
}

// ---- keyboard -------------------------------------------------------------------------------

void TGoodTable::keyPressEvent(QKeyEvent* event) {
  if (KeyDown(event->key())) return;
  if (IsPrintable(event->text())) {
    KeyPress(event->text());
    return;
  }
  event->ignore();
}

// Navigation and commands; false for keys the table does not handle.
bool TGoodTable::KeyDown(int key) {
  const int rows = GetRowCount();
  const int page = std::max(PageRows() - 2, 1);
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Action();
      return true;
    case Qt::Key_F2:
      ShowEditor();
      return true;
    case Qt::Key_Up:
      if (row_ - 1 >= 0 && row_ - 1 < rows) SetRow(row_ - 1);
      return true;
    case Qt::Key_Down:
      if (row_ + 1 >= 0 && row_ + 1 < rows) SetRow(row_ + 1);
      return true;
    case Qt::Key_Left:
      if (col_ - 1 >= 0 && col_ - 1 < GetColCount()) SetCol(col_ - 1);
      return true;
    case Qt::Key_Right:
      if (col_ + 1 >= 0 && col_ + 1 < GetColCount()) SetCol(col_ + 1);
      return true;
    default:
      break;
  }
  // The jumps below always land on a row, so an empty table keeps having none.
  if (rows == 0)
    return key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Home ||
           key == Qt::Key_End;
  switch (key) {
    case Qt::Key_PageUp:
      SetRow(row_ > page ? row_ - page : 0);
      return true;
    case Qt::Key_PageDown:
      SetRow(row_ < rows - page ? row_ + page : rows - 1);
      return true;
    case Qt::Key_Home:
      SetRow(0);
      return true;
    case Qt::Key_End:
      SetRow(rows - 1);
      return true;
    default:
      return false;
  }
}

// A printable character typed on the table starts a new value (or toggles a check box); read-only
// cells ignore it, as Action and ShowEditor do.
void TGoodTable::KeyPress(const QString& text) {
  if (text == QStringLiteral(" "))
    Action();
  else
    ShowEditor();
  if (!editor_->isVisible()) return;
  editor_->setText(text);
  editor_->end(false);
  EditChange();
}

bool TGoodTable::eventFilter(QObject* watched, QEvent* event) {
  if (watched == header_->viewport() &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick ||
       event->type() == QEvent::MouseButtonRelease))
    return HeaderMouse(event);
  if (watched != editor_ || event->type() != QEvent::KeyPress)
    return QAbstractScrollArea::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      HideEditor();
      return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
      HideEditor();
      KeyDown(key->key());
      return true;
    default:
      return false;
  }
}

// ---- mouse ----------------------------------------------------------------------------------

void TGoodTable::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  tracking_ = true;
  const QPoint pos = event->position().toPoint();
  if (HasCurrentCell() && CellRect(row_, col_).contains(pos)) ShowEditor();
  SelectAt(pos);
  if (HasCurrentCell() && columns_[col_].type == ColType::CheckBox &&
      CheckBoxRect(row_, col_).contains(pos))
    InvChecking();
}

void TGoodTable::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  ShowEditor();
}

void TGoodTable::mouseMoveEvent(QMouseEvent* event) {
  if (tracking_ && (event->buttons() & Qt::LeftButton)) SelectAt(event->position().toPoint());
}

void TGoodTable::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) tracking_ = false;
}

void TGoodTable::SelectAt(QPoint pos) {
  const int rows = GetRowCount();
  const int cols = GetColCount();
  if (rows == 0 || cols == 0) return;
  const int row = std::clamp(verticalScrollBar()->value() + pos.y() / RowHeight - 1, 0, rows - 1);
  const int x = pos.x() + horizontalScrollBar()->value();
  int col = 0;
  while (col < cols - 1 && header_->sectionPosition(col) + header_->sectionSize(col) <= x) ++col;
  if (row != row_ || col != col_) SetCurrent(row, col);
}

void TGoodTable::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) {
    QAbstractScrollArea::wheelEvent(event);
    return;
  }
  // A turn away from the user (positive) goes up; high-resolution wheels add up to whole notches.
  wheelRemainder_ += delta;
  for (; wheelRemainder_ >= kWheelNotch; wheelRemainder_ -= kWheelNotch) {
    verticalScrollBar()->setValue(verticalScrollBar()->value() - 1);
    if (row_ - 1 >= 0 && row_ - 1 < GetRowCount()) SetRow(row_ - 1);
  }
  for (; wheelRemainder_ <= -kWheelNotch; wheelRemainder_ += kWheelNotch) {
    verticalScrollBar()->setValue(verticalScrollBar()->value() + 1);
    if (row_ + 1 >= 0 && row_ + 1 < GetRowCount()) SetRow(row_ + 1);
  }
  event->accept();
}
