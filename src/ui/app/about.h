#pragma once

#include <QString>

// The About box text: product, version of this build, build date and time, maker.
QString aboutText();
