#include "ui/package/placepoints.h"

#include <QString>
#include <algorithm>

#include "core/base/errors.h"
#include "core/document/devicebase.h"
#include "core/package/approxstate.h"
#include "core/package/packagebase.h"
#include "ui/base/messagelog.h"

namespace {

// The procedure fits with functions of its own; the user's choice comes back however it ends.
class KeepFunction {
 public:
  KeepFunction() : func_(apprSettings().func) {}
  ~KeepFunction() { apprSettings().func = func_; }
  KeepFunction(const KeepFunction&) = delete;
  KeepFunction& operator=(const KeepFunction&) = delete;

 private:
  uint8_t func_;
};

constexpr uint8_t kPiecewise = 0;
constexpr uint8_t kLinear = 1;

}  // namespace

bool placePoints(PackageBase& package, DeviceBase& device, const SectionChooser& choose,
                 const std::function<void()>& approximated) {
  const int family = deviceFamily(device.typeCode());
  if ((family != dfKelt && family != dfTd) || package.kind != pkCalibration) return false;
  KeepFunction keep;
  try {
    // One line over all sections shows how far each section lies from a straight characteristic;
    // the fit also clears every mark.
    apprSettings().func = kLinear;
    package.approximate();
    package.recalcAll();
    SPILT_STRUCT series;
    package.fillSeries(series, 0);
    if (!choose(series)) return true;

    // The series holds the entries in table order (the fit has just sorted them).
    apprSettings().func = kPiecewise;
    const int count = std::min(package.entryCount(), static_cast<int>(series.points.size()));
    for (int i = 0; i < count; ++i) package.setValue(i, colPoint, series.points[i].marked);
    package.approximate();
    logMessage("Аппроксимация выполнена");
    device.writeLines(currentLines());
    if (approximated) approximated();
  } catch (const MathError&) {
    logMessage("Невозможно выполнить аппроксимацию");
  }
  return true;
}
