#pragma once
// The TD family's one model. Its display name is no fixed text: the device composes it from the
// meter's version and flow range (tdDeviceName), so the row holds only what the New document
// dialog shows.

struct TdModel {
  const char* treeRow;  // a top-level row of the New document dialog
};

const TdModel& tdModel();
