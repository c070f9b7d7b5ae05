#pragma once
// "Расставить точки": the user picks the break sections of a KELT or TD calibration package on a
// chart, and the piecewise-linear characteristic is built through them and handed to the device.

#include <functional>

#include "core/package/graphdata.h"

class DeviceBase;
class PackageBase;

// Shows the series for choosing and lets the user mark sections in it; true to go on with the
// marks, false to cancel. The section-selection window's choose() in the program.
using SectionChooser = std::function<bool(SPILT_STRUCT& series)>;

// Fits one line y = a*x+b over all sections, lets `choose` mark sections on the package's error
// series, then turns the marked sections into break points of a manual piecewise fit, logs the
// outcome and gives the line set to the device. A math error logs "Невозможно выполнить
// аппроксимацию" instead. Does nothing for a ZORB device or a verification package. The chosen
// function of the settings is kept whatever happens. Returns false when it did nothing; otherwise
// the caller recalculates the document and refreshes the table and the coefficient window.
// `approximated` is called once the fit succeeded and the device has the lines.
bool placePoints(PackageBase& package, DeviceBase& device, const SectionChooser& choose,
                 const std::function<void()>& approximated = {});
