#pragma once
// Commands on the open document that the main window and the command-line tool both run.

#include "core/document/document.h"
#include "core/package/packagebase.h"

// The device gives its coefficient lines and pulse weight to the current line set and settings,
// and every package is recalculated with them (as at every change of page).
void takeDeviceLines(const Document& doc);

// "Аппроксимация" of a calibration package: fits its characteristic, reports the outcome on the
// console, hands the new line set to the device when the fit succeeded and recalculates the
// document. False when the fit failed ("Невозможно выполнить аппроксимацию").
bool approximatePackage(const Document& doc, PackageBase& package);
