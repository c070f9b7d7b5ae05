#include "core/document/document.h"

#include "core/package/approxstate.h"
#include "core/package/packagebase.h"

void closeDocument(Document& doc) {
  doc.device.reset();
  doc.packages.clear();
  doc.fileName.clear();
  currentLines().clear();
}

void recalcDocument(const Document& doc) {
  for (const PackagePtr& p : doc.packages) p->recalcAll();
}

void buildGraphData(const Document& doc, SPILTS_DATA_EXCHANGE& data) {
  data.series.clear();
  for (const PackagePtr& p : doc.packages) {
    p->fillSeries(data.series.emplace_back(), 0);
    if (p->kind == pkVerification) p->fillSeries(data.series.emplace_back(), 1);
  }
  const std::vector<files::Line>& lines = currentLines();
  data.lines.resize(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) data.lines[i] = {lines[i].F, lines[i].A, lines[i].B};
}
