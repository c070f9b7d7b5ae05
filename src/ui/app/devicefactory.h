#pragma once
// Turns a device type code into the device object of its family.

#include <memory>

#include "core/document/devicebase.h"

class QWidget;

// 0 -> TD, 1..17 -> ZORB (model index code - 1), 18..35 -> KELT (model index code - 18); any
// other code gives no device. `parent` is the page area of the main
// window: the device creates its panel as a child of it and adds the panel to its layout.
std::unique_ptr<DeviceBase> createDevice(int typeCode, QWidget* parent);
