#pragma once
// The open document: one device and its measurement packages.

#include <memory>
#include <string>
#include <vector>

#include "core/base/reflinkedptr.h"
#include "core/document/devicebase.h"
#include "core/package/graphdata.h"

struct Document {
  std::unique_ptr<DeviceBase> device;  // null: no document is open
  std::vector<PackagePtr> packages;    // in the order of the package pages
  std::string fileName;                // empty until saved or opened

  bool isOpen() const { return device != nullptr; }
};

// Destroys the device, drops the packages and the file name, and empties the current line set.
void closeDocument(Document& doc);

// recalcAll on every package, in list order.
void recalcDocument(const Document& doc);

// The series of every package (flow errors, and volume errors as a second series for verification
// packages) and the current line set as the graph window takes them.
void buildGraphData(const Document& doc, SPILTS_DATA_EXCHANGE& data);
