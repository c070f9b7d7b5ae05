#pragma once
// The measurement table shows one package: its columns, captions and cells; what the user types
// or ticks goes back into the package, and the row is recalculated.

#include <QObject>

#include "core/document/document.h"

class TGoodTable;

class TableBinding : public QObject {
 public:
  // A child of the table: it lives as long as the table does.
  explicit TableBinding(TGoodTable* table);

  // Loads the package into the table, leaving out its last `hiddenColumns` columns. Without a
  // package the table is left as it is and edits go nowhere.
  void bind(PackagePtr package, int hiddenColumns);

 private:
  void fillCell(int row, int col);
  void refreshRow(int row);
  void tableChanged();

  TGoodTable* table_;
  PackagePtr package_;
};
