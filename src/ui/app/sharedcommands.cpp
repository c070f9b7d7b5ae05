#include "ui/app/sharedcommands.h"

#include "core/base/errors.h"
#include "core/package/approxstate.h"
#include "ui/base/messagelog.h"

void takeDeviceLines(const Document& doc) {
  doc.device->readLines(currentLines());
  apprSettings().pulseWeight = doc.device->pulseWeight();
  recalcDocument(doc);
}

bool approximatePackage(const Document& doc, PackageBase& package) {
  bool done = true;
  try {
    package.approximate();
    logMessage("Аппроксимация выполнена");
    doc.device->writeLines(currentLines());
  } catch (const MathError&) {
    logMessage("Невозможно выполнить аппроксимацию");
    done = false;
  }
  recalcDocument(doc);
  return done;
}
