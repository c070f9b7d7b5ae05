#pragma once
// The program's own grid: text and check-box cells under a row of resizable column headers, one
// current cell, an in-place editor and two events. It knows nothing of packages; its owner fills it
// cell by cell and listens to OnChange and OnSelChange.

#include <QAbstractScrollArea>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class QHeaderView;
class QLineEdit;
class QPainter;
class QStandardItemModel;

template <class T>
using vector2d = std::vector<std::vector<T>>;

enum class ColType : std::uint8_t { Text = 0, CheckBox = 1 };

// A judgement shown on a text cell: a tinted background and, so that it reads without colours too,
// a tick (Good) or a cross (Bad) drawn before the text.
enum class CellMark : std::uint8_t { None = 0, Good = 1, Bad = 2 };

class TGoodTable : public QAbstractScrollArea {
  Q_OBJECT
  Q_PROPERTY(bool ReadOnly READ GetReadOnly WRITE SetReadOnly)
  Q_PROPERTY(int ColCount READ GetColCount WRITE SetColCount)
  Q_PROPERTY(int RowCount READ GetRowCount WRITE SetRowCount)
  Q_PROPERTY(int Col READ GetCol WRITE SetCol)
  Q_PROPERTY(int Row READ GetRow WRITE SetRow)
  Q_PROPERTY(QStringList Items READ GetItems WRITE SetItems)

 public:
  // Every row is 16 pixels of cell and 1 of grid line; the first row starts under the headers.
  static constexpr int RowHeight = 17;
  static constexpr int HeaderHeight = 17;
  static constexpr int CheckBoxSize = 13;
  // Room the painter leaves between a cell's text and the cell's left and right edges.
  static constexpr int CellPadding = 3;

  explicit TGoodTable(QWidget* parent = nullptr);

  // Cells, by 0-based row and column. Callers pass valid indices; a wrong one throws
  // std::out_of_range instead of touching memory that is not there.
  QString GetCells(int row, int col) const { return cells_.at(row).at(col).text; }
  void SetCells(int row, int col, const QString& text);
  bool GetCellsChecked(int row, int col) const { return cells_.at(row).at(col).checked; }
  void SetCellsChecked(int row, int col, bool checked);

  // The mark of a cell and the tooltip that explains it; SetRowCount keeps the marks of the rows
  // that stay.
  CellMark GetCellMark(int row, int col) const { return cells_.at(row).at(col).mark; }
  QString GetCellTip(int row, int col) const { return cells_.at(row).at(col).tip; }
  void SetCellMark(int row, int col, CellMark mark, const QString& tip);
  // Room a mark takes before the text.
  static constexpr int MarkWidth = 11;

  // Columns.
  QString GetCaptions(int col) const;
  void SetCaptions(int col, const QString& caption);
  int GetWidths(int col) const;
  // A fixed width: the column no longer follows its contents.
  void SetWidths(int col, int width);
  // The column follows its contents: as wide as its caption and its widest cell, never narrower
  // than `minWidth`, and wider as soon as a cell or the caption gets a wider text. A fixed width
  // (SetWidths, or the user dragging the divider) ends it; a double click on the divider brings
  // it back.
  void FitColumn(int col, int minWidth);
  bool GetAutoWidths(int col) const { return columns_.at(col).autoWidth; }
  // The width that shows the caption and every cell of the column whole.
  int ContentWidth(int col) const;
  // What a text cell shows at its column's present width: the whole text when it fits, else its
  // beginning and "…". Numbers are elided on the right so the shown digits keep their place value.
  QString ShownText(int row, int col) const;
  // The caption a header section shows at its present width, elided the same way.
  QString ShownCaption(int col) const;
  ColType GetColTypes(int col) const { return columns_.at(col).type; }
  void SetColTypes(int col, ColType type);
  bool GetColReadOnly(int col) const { return columns_.at(col).readOnly; }
  void SetColReadOnly(int col, bool readOnly);

  int GetColCount() const { return static_cast<int>(columns_.size()); }
  void SetColCount(int count);
  int GetRowCount() const { return static_cast<int>(cells_.size()); }
  void SetRowCount(int count);
  // The current cell; a negative value means there is none.
  int GetCol() const { return col_; }
  void SetCol(int col);
  int GetRow() const { return row_; }
  void SetRow(int row);
  bool GetReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  // The lines become the column captions, one column each.
  QStringList GetItems() const { return items_; }
  void SetItems(const QStringList& items);

  void ShowEditor();
  void HideEditor();
  void InvChecking();
  // Toggles a check-box cell or opens the editor on a text cell.
  void Action();
  // Scrolls the current cell into view.
  void AdjustScroll();

  // Where a cell lies in the viewport (the grid lines to its right and below excluded).
  QRect CellRect(int row, int col) const;
  // The check box centred in a cell.
  QRect CheckBoxRect(int row, int col) const;

 signals:
  // After every edit of a cell by the user: each change of the editor's text (already stored in
  // the cell) and each toggle of a check box. Row and Col name the cell.
  void OnChange(TGoodTable* Sender);
  // After the current cell moved.
  void OnSelChange(TGoodTable* Sender);
  // After the user set a column's width: once per drag of its header divider (on release), or by
  // a double click on the divider, which makes the column follow its contents again.
  void OnColResize(TGoodTable* Sender, int col);

 protected:
  void Change();

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  struct Cell {
    QString text;
    bool checked = false;
    CellMark mark = CellMark::None;
    QString tip;
  };
  struct Column {
    ColType type = ColType::Text;
    bool readOnly = false;
    bool autoWidth = false;
    int minWidth = 0;
  };

  bool HasCurrentCell() const;
  bool CurrentEditable(ColType type) const;
  void SetCurrent(int row, int col);
  void SelectAt(QPoint pos);
  bool KeyDown(int key);
  void KeyPress(const QString& text);
  void EditChange();
  void PlaceEditor();
  int TextWidth(const QString& text) const;
  bool ColumnMarked(int col) const;
  void DrawMark(QPainter& painter, const QRect& rect, CellMark mark) const;
  int CaptionWidth(int col) const;
  void Widen(int col, int width);
  void Refit(int col);
  void ResizeColumn(int col, int width);
  void SectionResized(int col);
  void DividerDoubleClicked(int col);
  bool HeaderMouse(QEvent* event);
  void InvalidateCell(int row, int col);
  void InvalidateColumn(int col);
  void Relayout();
  void LayoutHeader();
  void UpdateScrollBars();
  void UpdateDescription();
  int PageRows() const;
  int VisibleRowsEnd() const;
  int RowAt(int y) const;
  struct PaintKit;
  void DrawCell(QPainter& painter, const PaintKit& kit, int row, int col) const;

  vector2d<Cell> cells_;
  std::vector<Column> columns_;
  QStringList items_;
  int col_ = 0;
  int row_ = 0;
  bool readOnly_ = false;
  bool tracking_ = false;
  int wheelRemainder_ = 0;
  bool headerPressed_ = false;
  bool resizing_ = false;  // the program, not the user, is changing a width
  int draggedCol_ = -1;    // the column the user is resizing, until the button is released
  class CaptionHeader;
  QStandardItemModel* headerModel_;
  CaptionHeader* header_;
  QLineEdit* editor_;
};
