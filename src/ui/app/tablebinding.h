#pragma once
// The measurement table shows one package: its columns, captions and cells; what the user types
// or ticks goes back into the package, and the row is recalculated. Columns fit their texts; a
// width the user drags is kept in the settings for that kind of package and column.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "core/document/document.h"
#include "core/verdict/verdict.h"

class TGoodTable;

class TableBinding : public QObject {
 public:
  // A child of the table: it lives as long as the table does.
  explicit TableBinding(TGoodTable* table);

  // Loads the package into the table, leaving out its last `hiddenColumns` columns. Without a
  // package the table is left as it is and edits go nowhere.
  void bind(PackagePtr package, int hiddenColumns);

  // With a profile every dg cell of a row switched on is marked within or outside its limit,
  // with the limit in its tooltip, after each binding and edit; `onVerdict` then hears the
  // package's verdict (none without a profile or a package). The columns stay as they are.
  void setProfile(std::optional<ToleranceProfile> profile);
  const std::optional<ToleranceProfile>& profile() const { return profile_; }
  std::function<void(const PackageVerdict*)> onVerdict;

  // The settings value that holds the user's width of a column (by id) in packages of one entry
  // kind and package kind; 0 or none means the column fits its texts.
  static QString widthSetting(int entryKind, int kind, int columnId);

 private:
  void fillCell(int row, int col);
  void refreshRow(int row);
  void tableChanged();
  QString widthSetting(int col) const;
  std::vector<int> storedWidths(int columns) const;
  void storeWidth(int col);
  void refreshVerdict();

  TGoodTable* table_;
  PackagePtr package_;
  std::optional<ToleranceProfile> profile_;
  int markedColumn_ = -1;  // the column whose cells may hold marks
};
