#pragma once
// The package of one entry kind: a series of measurements with their derived values.

#include <vector>

#include "core/package/entries.h"
#include "core/package/packagehelper.h"

template <class Entry>
class Package final : public PackageHelper {
 public:
  int entryKind() const override { return Entry::kEntryKind; }
  int columnCount() const override;
  ColumnInfo column(int col) const override;
  std::string cellText(int row, int col) const override;
  void setCellText(int row, int col, const std::string& text) override;
  bool cellChecked(int row, int col) const override;
  void setCellChecked(int row, int col, bool checked) override;
  bool value(int row, int id, FieldValue& out) const override;
  void setValue(int row, int id, const FieldValue& v) override;
  void load(std::istream& is) override;
  void loadRecalculated(std::istream& is, std::span<const files::Line> lines,
                        const ApprSettings& settings) override;
  void save(std::ostream& os) const override;
  void addEntry() override;
  void deleteEntry(int row) override;
  int entryCount() const override { return static_cast<int>(entries_.size()); }
  void recalcEntry(int row) override;
  void recalcAll() override;
  void recalcAll(std::span<const files::Line> lines, const ApprSettings& settings) override;
  void approximate() override;
  void fillSeries(SPILT_STRUCT& series, int which) const override;

  // Direct access for the readers and converters that fill a package in bulk.
  std::vector<Entry>& entries() { return entries_; }
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  struct RecalcBasis {
    std::span<const files::Line> lines;
    const ApprSettings& settings;
  };
  void load(std::istream& is, const RecalcBasis* recalc);

  std::vector<Entry> entries_;
};

extern template class Package<ZorbEntry>;
extern template class Package<KeltEntry>;
extern template class Package<EprEntry>;
