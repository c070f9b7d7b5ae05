#pragma once
// The interface through which the table, the report, the text exchange and the document files see
// a package of measurements.

#include <cstdint>
#include <istream>
#include <ostream>
#include <span>
#include <string>

#include "core/base/systemtime.h"
#include "core/package/apprsettings.h"
#include "core/package/columns.h"
#include "core/package/entries.h"
#include "core/package/graphdata.h"
#include "core/package/line.h"

// Rows and columns are 0-based; a column argument indexes the visible layout unless it is called a
// column id. Rows and columns are not checked: callers pass valid ones.
class PackageBase {
 public:
  uint8_t kind = pkCalibration;
  uint8_t method = mVolume;
  SystemTime created{};

  virtual int entryKind() const = 0;
  virtual int columnCount() const = 0;
  virtual ColumnInfo column(int col) const = 0;
  virtual std::string cellText(int row, int col) const = 0;
  // Stores the parsed text without recalculating; throws ConvertError and keeps the entry when the
  // text is not a number of the column's type. Text for a flag column is ignored.
  virtual void setCellText(int row, int col, const std::string& text) = 0;
  virtual bool cellChecked(int row, int col) const = 0;
  virtual void setCellChecked(int row, int col, bool checked) = 0;
  // By column id. An id the entry kind does not hold leaves `out` untouched and gives false.
  virtual bool value(int row, int id, FieldValue& out) const = 0;
  // By column id, converting to the field's type. An id the entry kind does not hold is ignored.
  virtual void setValue(int row, int id, const FieldValue& v) = 0;
  // Reads the package; on a stream failure the package is left as it was and the stream failed.
  virtual void load(std::istream& is) = 0;
  // The same, recalculating the entries with the given line set and settings block by block as
  // they are read, while they are still in the cache.
  virtual void loadRecalculated(std::istream& is, std::span<const files::Line> lines,
                                const ApprSettings& settings) = 0;
  virtual void save(std::ostream& os) const = 0;
  virtual void addEntry() = 0;
  virtual void deleteEntry(int row) = 0;
  virtual int entryCount() const = 0;
  virtual void recalcEntry(int row) = 0;
  virtual void recalcAll() = 0;
  // With a given line set and settings instead of the current ones.
  virtual void recalcAll(std::span<const files::Line> lines, const ApprSettings& settings) = 0;
  // Fits the characteristic of a calibration package and replaces the current line set; can throw
  // MathError, after emptying the line set.
  virtual void approximate() = 0;
  // which: 0 flow errors, 1 volume errors (the pulse-output series).
  virtual void fillSeries(SPILT_STRUCT& series, int which) const = 0;
  virtual ~PackageBase() = default;

  // "Градуировочный " or "Поверочный " and the creation time in the user's short formats.
  std::string name() const;
};

// A field of a row as a number, whatever its type; 0 when the entry kind does not hold it.
inline double realValue(const PackageBase& package, int row, int id) {
  FieldValue v;
  if (!package.value(row, id, v)) return 0;
  return std::visit([](auto x) { return static_cast<double>(x); }, v);
}
