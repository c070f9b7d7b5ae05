#include "ui/widgets/goodtable.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <stdexcept>

#include "support/headermouse.h"

namespace {

constexpr int kRows = 30;
constexpr int kPageRows = 8;  // whole rows under the headers; the keyboard page is two less
constexpr int kWidth = 60;

// Three columns: free text, a check box and a read-only text; every cell named "row,col".
class GoodTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table.SetItems({"A", "B", "C"});
    for (int col = 0; col < 3; ++col) table.SetWidths(col, kWidth);
    table.SetColTypes(1, ColType::CheckBox);
    table.SetColReadOnly(2, true);
    table.SetRowCount(kRows);
    for (int row = 0; row < kRows; ++row)
      for (int col = 0; col < 3; ++col)
        table.SetCells(row, col, QStringLiteral("%1,%2").arg(row).arg(col));
    table.resize(
        400, TGoodTable::HeaderHeight + kPageRows * TGoodTable::RowHeight + 2 * table.frameWidth());
    table.show();
    table.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&table));
    table.setFocus();
    ASSERT_EQ(table.viewport()->height(),
              TGoodTable::HeaderHeight + kPageRows * TGoodTable::RowHeight);
  }

  QLineEdit* editor() { return table.findChild<QLineEdit*>(); }
  QHeaderView& header() { return *table.findChild<QHeaderView*>(); }
  // The width that shows a text whole at the table's font (its fractional advance rounded up),
  // with the painter's padding and the grid line.
  int widthFor(const QString& text) const {
    const qreal advance = QFontMetricsF(table.font()).horizontalAdvance(text);
    return static_cast<int>(std::ceil(advance)) + 2 * TGoodTable::CellPadding + 1;
  }
  // Keys go wherever the focus is, as they do for a user.
  static QWidget* focused() { return QApplication::focusWidget(); }
  void press(Qt::Key key) { QTest::keyClick(focused(), key); }
  void type(const QString& text) {
    for (QChar c : text) QTest::keyClicks(focused(), QString(c));
  }
  void clickAt(QPoint pos) { QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, pos); }
  void select(int row, int col) {
    table.SetRow(row);
    table.SetCol(col);
  }

  TGoodTable table;
  QSignalSpy changes{&table, &TGoodTable::OnChange};
  QSignalSpy selections{&table, &TGoodTable::OnSelChange};
};

TEST_F(GoodTableTest, TypingStartsNewValueAndReportsEveryKeystroke) {
  QStringList seen;  // the cell as the owner sees it on each change
  QObject::connect(&table, &TGoodTable::OnChange, [&](TGoodTable* sender) {
    seen << sender->GetCells(sender->GetRow(), sender->GetCol());
    // The owner writes its own formatting back, as the package page does.
    sender->SetCells(sender->GetRow(), sender->GetCol(), "stored");
  });
  select(2, 0);
  type("5");
  ASSERT_TRUE(editor()->isVisible());
  EXPECT_EQ(editor()->text(), "5");
  EXPECT_EQ(editor()->cursorPosition(), 1);
  EXPECT_TRUE(editor()->hasFocus());
  EXPECT_EQ(editor()->geometry(), QRect(table.CellRect(2, 0).topLeft(), QSize(kWidth - 1, 16)));
  EXPECT_EQ(seen, QStringList{"5"});

  type("7");
  EXPECT_EQ(seen, (QStringList{"5", "57"}));
  EXPECT_EQ(editor()->text(), "57") << "the owner's write-back must not disturb the typing";
  EXPECT_EQ(table.GetCells(2, 0), "stored");
}

struct EditorKeyCase {
  Qt::Key key;
  int startRow;
  int endRow;
};

class GoodTableEditorKeys : public GoodTableTest,
                            public ::testing::WithParamInterface<EditorKeyCase> {};

TEST_P(GoodTableEditorKeys, CloseTheEditorKeepingTheTypedText) {
  const EditorKeyCase c = GetParam();
  select(c.startRow, 0);
  selections.clear();
  type("9");
  ASSERT_TRUE(editor()->isVisible());
  press(c.key);
  EXPECT_FALSE(editor()->isVisible());
  EXPECT_TRUE(table.hasFocus());
  EXPECT_EQ(table.GetCells(c.startRow, 0), "9");
  EXPECT_EQ(table.GetRow(), c.endRow);
  EXPECT_EQ(selections.count(), c.endRow == c.startRow ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Keys, GoodTableEditorKeys,
                         ::testing::Values(EditorKeyCase{Qt::Key_Escape, 3, 3},
                                           EditorKeyCase{Qt::Key_Return, 3, 3},
                                           EditorKeyCase{Qt::Key_Down, 3, 4},
                                           EditorKeyCase{Qt::Key_Up, 3, 2},
                                           EditorKeyCase{Qt::Key_Down, kRows - 1, kRows - 1}));

struct ActionCase {
  const char* name;
  bool tableReadOnly;
  int col;
  Qt::Key key;
  bool opensEditor;
  bool toggles;
};

class GoodTableActions : public GoodTableTest, public ::testing::WithParamInterface<ActionCase> {};

TEST_P(GoodTableActions, KeysOpenTheEditorOrToggleOnlyWhereEditable) {
  const ActionCase c = GetParam();
  table.SetReadOnly(c.tableReadOnly);
  select(1, c.col);
  press(c.key);
  EXPECT_EQ(editor()->isVisible(), c.opensEditor);
  EXPECT_EQ(table.GetCellsChecked(1, c.col), c.toggles);
  EXPECT_EQ(changes.count(), c.toggles ? 1 : 0);
  EXPECT_EQ(table.GetCells(1, c.col), QStringLiteral("1,%1").arg(c.col));
  // Selection keeps working whatever may be edited.
  if (!c.opensEditor) {
    press(Qt::Key_Down);
    EXPECT_EQ(table.GetRow(), 2);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GoodTableActions,
    ::testing::Values(ActionCase{"TextEnter", false, 0, Qt::Key_Return, true, false},
                      ActionCase{"TextF2", false, 0, Qt::Key_F2, true, false},
                      ActionCase{"CheckEnter", false, 1, Qt::Key_Return, false, true},
                      ActionCase{"CheckSpace", false, 1, Qt::Key_Space, false, true},
                      ActionCase{"CheckDigit", false, 1, Qt::Key_5, false, false},
                      ActionCase{"ReadOnlyColumnEnter", false, 2, Qt::Key_Return, false, false},
                      ActionCase{"ReadOnlyColumnDigit", false, 2, Qt::Key_5, false, false},
                      ActionCase{"ReadOnlyTableText", true, 0, Qt::Key_5, false, false},
                      ActionCase{"ReadOnlyTableF2", true, 0, Qt::Key_F2, false, false},
                      ActionCase{"ReadOnlyTableCheck", true, 1, Qt::Key_Space, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GoodTableTest, EmptyingTheTableLeavesNoCurrentCell) {
  select(5, 0);
  type("1");
  ASSERT_TRUE(editor()->isVisible());
  table.SetRowCount(3);
  EXPECT_FALSE(editor()->isVisible()) << "the edited row is gone";
  EXPECT_EQ(table.GetRow(), 2);

  table.SetRowCount(0);
  EXPECT_EQ(table.GetRow(), -1);
  EXPECT_THROW(table.SetCells(0, 0, "x"), std::out_of_range);
  changes.clear();
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_5, Qt::Key_Home, Qt::Key_End,
                      Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Down, Qt::Key_Up})
    press(key);
  EXPECT_EQ(table.GetRow(), -1);
  EXPECT_FALSE(editor()->isVisible());
  EXPECT_EQ(changes.count(), 0);
  clickAt(QPoint(10, 30));
  EXPECT_EQ(table.GetRow(), -1);
}

struct MoveCase {
  int start;
  Qt::Key key;
  int end;
};

class GoodTableMoves : public GoodTableTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(GoodTableMoves, KeysMoveTheCurrentRowAndKeepItInView) {
  const MoveCase c = GetParam();
  table.SetRow(c.start);
  press(c.key);
  EXPECT_EQ(table.GetRow(), c.end);
  const int top = table.verticalScrollBar()->value();
  EXPECT_LE(top, c.end);
  EXPECT_LT(c.end, top + kPageRows);
}

// The keyboard page is kPageRows - 2 = 6 rows.
INSTANTIATE_TEST_SUITE_P(
    Keys, GoodTableMoves,
    ::testing::Values(MoveCase{10, Qt::Key_PageUp, 4}, MoveCase{7, Qt::Key_PageUp, 1},
                      MoveCase{6, Qt::Key_PageUp, 0}, MoveCase{10, Qt::Key_PageDown, 16},
                      MoveCase{23, Qt::Key_PageDown, 29}, MoveCase{0, Qt::Key_End, 29},
                      MoveCase{20, Qt::Key_Home, 0}, MoveCase{0, Qt::Key_Up, 0},
                      MoveCase{29, Qt::Key_Down, 29}, MoveCase{8, Qt::Key_Down, 9}));

TEST_F(GoodTableTest, LeftAndRightStayInsideTheColumns) {
  press(Qt::Key_Left);
  EXPECT_EQ(table.GetCol(), 0);
  press(Qt::Key_Right);
  press(Qt::Key_Right);
  press(Qt::Key_Right);
  EXPECT_EQ(table.GetCol(), 2);
  EXPECT_EQ(selections.count(), 2);
}

TEST_F(GoodTableTest, ClickingInsideTheCheckBoxTogglesIt) {
  const QRect box = table.CheckBoxRect(4, 1);
  EXPECT_EQ(box.size(), QSize(13, 13));
  clickAt(box.center());
  EXPECT_EQ(table.GetRow(), 4);
  EXPECT_EQ(table.GetCol(), 1);
  EXPECT_TRUE(table.GetCellsChecked(4, 1));
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(selections.count(), 1);

  clickAt(box.topLeft() - QPoint(1, 0));  // same cell, beside the box
  clickAt(table.CellRect(5, 1).topLeft());
  EXPECT_EQ(table.GetRow(), 5);
  EXPECT_TRUE(table.GetCellsChecked(4, 1));
  EXPECT_FALSE(table.GetCellsChecked(5, 1));
  EXPECT_EQ(changes.count(), 1);
}

TEST_F(GoodTableTest, ClickingTheCurrentTextCellOpensTheEditor) {
  clickAt(table.CellRect(3, 0).center());
  EXPECT_EQ(table.GetRow(), 3);
  EXPECT_FALSE(editor()->isVisible()) << "the first click only selects";
  clickAt(table.CellRect(3, 0).center());
  EXPECT_TRUE(editor()->isVisible());
  EXPECT_EQ(editor()->text(), "3,0");

  clickAt(table.CellRect(6, 2).center());  // read-only column
  EXPECT_FALSE(editor()->isVisible());
  // A double click arrives as a press, a release and the double click.
  clickAt(table.CellRect(6, 0).center());
  EXPECT_FALSE(editor()->isVisible());
  QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, table.CellRect(6, 0).center());
  EXPECT_EQ(table.GetRow(), 6);
  EXPECT_TRUE(editor()->isVisible());
}

TEST_F(GoodTableTest, DraggingSelectsTheCellUnderThePointer) {
  QWidget* vp = table.viewport();
  QTest::mousePress(vp, Qt::LeftButton, {}, table.CellRect(1, 0).center());
  QMouseEvent move(QEvent::MouseMove, table.CellRect(3, 2).center(),
                   vp->mapToGlobal(table.CellRect(3, 2).center()), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(vp, &move);
  QTest::mouseRelease(vp, Qt::LeftButton, {}, table.CellRect(3, 2).center());
  EXPECT_EQ(table.GetRow(), 3);
  EXPECT_EQ(table.GetCol(), 2);
  // Beyond the last column and below the last visible row the nearest cell is taken.
  QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(vp->width() - 2, vp->height() - 2));
  EXPECT_EQ(table.GetCol(), 2);
  EXPECT_EQ(table.GetRow(), kPageRows - 1);
}

TEST_F(GoodTableTest, WheelScrollsAndMovesTheCurrentRow) {
  const QPoint at = table.CellRect(0, 0).center();
  auto turn = [&](int delta) {
    QWheelEvent wheel(at, table.viewport()->mapToGlobal(at), {}, {0, delta}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(table.viewport(), &wheel);
  };
  turn(-3 * 120);
  EXPECT_EQ(table.GetRow(), 3);
  EXPECT_EQ(table.verticalScrollBar()->value(), 3);
  turn(120);
  EXPECT_EQ(table.GetRow(), 2);
  EXPECT_EQ(table.verticalScrollBar()->value(), 2);
  turn(60);  // half a notch does nothing yet
  EXPECT_EQ(table.GetRow(), 2);
}

TEST_F(GoodTableTest, ScrollBarsFollowRowsAndWidthsAndScrollingClosesTheEditor) {
  EXPECT_EQ(table.verticalScrollBar()->maximum(), kRows - kPageRows);
  EXPECT_EQ(table.verticalScrollBar()->pageStep(), kPageRows - 1);
  EXPECT_EQ(table.horizontalScrollBar()->maximum(), 0);
  table.SetWidths(0, 1000);
  EXPECT_EQ(table.horizontalScrollBar()->maximum(), 1000 + 2 * kWidth - table.viewport()->width());

  table.SetRow(0);
  press(Qt::Key_F2);
  ASSERT_TRUE(editor()->isVisible());
  table.verticalScrollBar()->setValue(5);
  EXPECT_FALSE(editor()->isVisible());
  EXPECT_EQ(table.CellRect(5, 0).top(), TGoodTable::HeaderHeight);
}

TEST_F(GoodTableTest, ColumnCountAndItemsKeepTheCurrentCellInside) {
  table.SetCol(2);
  table.SetColCount(2);
  EXPECT_EQ(table.GetCol(), 1);
  EXPECT_EQ(table.GetCells(0, 1), "0,1");
  table.SetItems({"x", "y", "z", "w"});
  EXPECT_EQ(table.GetColCount(), 4);
  EXPECT_EQ(table.GetCaptions(3), "w");
  EXPECT_EQ(table.GetCells(0, 3), "");
  EXPECT_FALSE(table.GetCellsChecked(0, 3));
}

TEST_F(GoodTableTest, PaintsEachPartInItsColourRole) {
  table.SetRowCount(3);
  for (int col = 0; col < 3; ++col) table.SetCells(0, col, "");
  table.SetCells(1, 0, "");
  table.SetRow(1);
  table.SetCol(0);
  const QPalette pal = table.palette();
  ASSERT_NE(pal.color(QPalette::Midlight).rgb(), pal.color(QPalette::Base).rgb());
  auto colourAt = [&](int row, int col) {
    return table.viewport()->grab().toImage().pixelColor(table.CellRect(row, col).topLeft() +
                                                         QPoint(2, 2));
  };
  EXPECT_EQ(colourAt(0, 0), pal.color(QPalette::Base).rgb());
  EXPECT_EQ(colourAt(0, 2), pal.color(QPalette::Midlight).rgb()) << "read-only column";
  EXPECT_EQ(colourAt(5, 0), pal.color(QPalette::Midlight).rgb()) << "row beyond the last";
  EXPECT_EQ(colourAt(1, 0), pal.color(QPalette::Highlight).rgb()) << "current cell, focused";
  table.clearFocus();
  EXPECT_EQ(colourAt(1, 0), pal.color(QPalette::Button).rgb()) << "current cell, unfocused";
}

TEST_F(GoodTableTest, DescribesTheCurrentCellForScreenReaders) {
  select(4, 1);
  EXPECT_EQ(table.accessibleDescription(), "Строка 5, столбец «B»: не отмечено");
  press(Qt::Key_Space);
  EXPECT_EQ(table.accessibleDescription(), "Строка 5, столбец «B»: отмечено");
  table.SetCol(0);
  type("12");
  EXPECT_EQ(table.accessibleDescription(), "Строка 5, столбец «A»: 12");
}

// A narrowed number keeps its leading digits and shows that something is cut off; copying from
// the screen can then never give a value ten or a hundred thousand times too small.
TEST_F(GoodTableTest, ANarrowColumnElidesOnTheRightAndAWideOneShowsAll) {
  const QString code = QStringLiteral("100002,4634140");
  table.SetCells(0, 0, code);
  struct Case {
    int width;
    bool whole;
  };
  for (const Case c : {Case{widthFor(code), true}, Case{widthFor(code) - 1, false},
                       Case{widthFor("100002,46"), false}, Case{30, false}}) {
    SCOPED_TRACE(c.width);
    table.SetWidths(0, c.width);
    const QString shown = table.ShownText(0, 0);
    if (c.whole) {
      EXPECT_EQ(shown, code);
      continue;
    }
    ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(code.startsWith(shown.chopped(1))) << shown.toStdString();
    EXPECT_LE(table.fontMetrics().horizontalAdvance(shown),
              c.width - 1 - 2 * TGoodTable::CellPadding);
  }
}

TEST_F(GoodTableTest, ANarrowCaptionIsElidedOnTheRight) {
  const QString caption = QStringLiteral("gизм (м3/ч)");
  table.SetCaptions(0, caption);
  table.FitColumn(0, 1);
  EXPECT_EQ(table.ShownCaption(0), caption);
  table.SetWidths(0, table.GetWidths(0) - 15);
  const QString shown = table.ShownCaption(0);
  ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
  EXPECT_TRUE(caption.startsWith(shown.chopped(1))) << shown.toStdString();
}

TEST_F(GoodTableTest, AFittedColumnFollowsItsTextsButNotBelowItsLeastWidth) {
  const QString wide = QStringLiteral("10016,0000000");
  table.FitColumn(0, 200);
  EXPECT_TRUE(table.GetAutoWidths(0));
  EXPECT_EQ(table.GetWidths(0), 200);
  table.FitColumn(0, 10);
  EXPECT_EQ(table.GetWidths(0), table.ContentWidth(0));
  EXPECT_GE(table.GetWidths(0), widthFor("29,0"));

  table.SetCells(7, 0, wide);
  EXPECT_EQ(table.GetWidths(0), widthFor(wide)) << "one wider cell widens the column";
  table.SetCells(7, 0, "1");
  EXPECT_EQ(table.GetWidths(0), widthFor(wide)) << "it does not shrink while the user works";
  table.SetCaptions(0, "A very long caption of the column");
  EXPECT_GE(table.GetWidths(0), header().sectionSizeHint(0));
  EXPECT_EQ(table.ShownCaption(0), "A very long caption of the column");

  table.FitColumn(1, 1);
  EXPECT_GE(table.GetWidths(1), TGoodTable::CheckBoxSize + 2 * TGoodTable::CellPadding + 1);

  table.SetWidths(0, 40);
  EXPECT_FALSE(table.GetAutoWidths(0));
  table.SetCells(8, 0, wide);
  EXPECT_EQ(table.GetWidths(0), 40) << "a fixed width stays";
}

TEST_F(GoodTableTest, WideningWhileTypingKeepsTheEditorOpenOverItsCell) {
  table.FitColumn(0, kWidth);
  select(2, 0);
  type("1234567890123456");
  ASSERT_TRUE(editor()->isVisible());
  EXPECT_EQ(editor()->text(), "1234567890123456");
  EXPECT_GT(table.GetWidths(0), kWidth);
  EXPECT_EQ(editor()->geometry(),
            QRect(table.CellRect(2, 0).topLeft(), QSize(table.GetWidths(0) - 1, 16)));
}

TEST_F(GoodTableTest, ADraggedWidthIsFixedUntilTheDividerIsDoubleClicked) {
  QSignalSpy resized(&table, &TGoodTable::OnColResize);
  table.FitColumn(0, kWidth);
  table.FitColumn(2, kWidth);
  table.SetCells(0, 2, QStringLiteral("100002,4634140"));
  const int fitted = table.GetWidths(2);

  headermouse::drag(header(), 2, -25);
  EXPECT_EQ(table.GetWidths(2), fitted - 25);
  EXPECT_FALSE(table.GetAutoWidths(2));
  EXPECT_TRUE(table.GetAutoWidths(0));
  ASSERT_EQ(resized.count(), 1) << "one report per drag, not one per pixel";
  EXPECT_EQ(resized[0][1].toInt(), 2);
  table.SetCells(1, 2, QStringLiteral("1000000000000000,0"));
  EXPECT_EQ(table.GetWidths(2), fitted - 25);

  headermouse::doubleClick(header(), 2);
  EXPECT_TRUE(table.GetAutoWidths(2));
  EXPECT_EQ(table.GetWidths(2), widthFor("1000000000000000,0"));
  ASSERT_EQ(resized.count(), 2);
  EXPECT_EQ(resized[1][1].toInt(), 2);
}

TEST_F(GoodTableTest, ALargerFontRefitsTheFittedColumnsOnly) {
  table.FitColumn(0, kWidth);
  table.SetCells(0, 0, QStringLiteral("100002,4634140"));
  QFont larger = table.font();
  larger.setPointSizeF(larger.pointSizeF() * 1.5);
  table.setFont(larger);
  EXPECT_EQ(table.GetWidths(0), widthFor("100002,4634140"));
  EXPECT_EQ(table.ShownText(0, 0), "100002,4634140");
  EXPECT_EQ(table.GetWidths(1), kWidth);
}

}  // namespace
