#include "core/package/columns.h"

#include <array>

namespace {

// Captions: M, V, T, g, N, f, E, d and the C of "°C" are Latin letters, the rest Cyrillic.
constexpr std::array<ColumnInfo, kColumnIdCount> kColumns{{
    {colPoint, "Точка", "Точка", 45, true, vtFlag, 0, false},
    {colTemperature, "t (°C)", "t (°C)", 60, false, vtReal, 2, false},
    {colRefMass, "Mэт (кг)", "M<sub>эт</sub> (кг)", 60, false, vtReal, 3, false},
    {colRefVolume, "Vэт (л)", "V<sub>эт</sub> (л)", 60, false, vtReal, 3, false},
    {colRefTime, "Tэт (сек)", "T<sub>эт</sub> (сек)", 60, false, vtReal, 3, false},
    {colRefFlow, "gэт (м3/ч)", "g<sub>эт</sub> (м<sup>3</sup>/ч)", 70, false, vtReal, 6, false},
    {colPulseTime, "T1 (сек)", "T1 (сек)", 60, false, vtReal, 3, false},
    {colPulses1, "N1 (имп)", "N1 (имп)", 60, false, vtInteger, 0, false},
    {colFrequency, "f (Гц)", "f (Гц)", 70, false, vtReal, 6, false},
    {colCode, "E (код)", "E (код)", 85, false, vtReal, 7, false},
    {colMeasFlow, "gизм (м3/ч)", "g<sub>изм</sub> (м<sup>3</sup>/ч)", 75, false, vtReal, 6, false},
    {colFlowError, "dg (%)", "&delta;g (%)", 70, false, vtReal, 2, false},
    {colPulses2, "N2 (имп)", "N2 (имп)", 60, false, vtInteger, 0, false},
    {colMeasVolume, "Vизм (л)", "V<sub>изм</sub> (л)", 70, false, vtReal, 3, false},
    {colVolumeError, "dV (%)", "&delta;V (%)", 70, false, vtReal, 2, false},
    {colSection, "№ сечения", "№ сечения", 70, false, vtInteger, 0, false},
    {colLine, "№ прямой", "№ прямой", 70, false, vtInteger, 0, false},
    {colSwitchedOff, "Выкл.", "Выкл.", 45, true, vtFlag, 0, false},
}};

// Layout templates by entry kind and package kind; column 2 (reference mass) is shown only by
// mass packages and is dropped from the others.
struct Layout {
  std::array<uint8_t, 15> ids{};
  uint8_t count = 0;
};

constexpr Layout layoutOf(std::initializer_list<uint8_t> ids, bool withMass) {
  Layout l;
  for (uint8_t id : ids)
    if (id != colRefMass || withMass) l.ids[l.count++] = id;
  return l;
}

constexpr std::array<Layout, 18> makeLayouts() {
  std::array<Layout, 18> all{};
  for (int method = 0; method < 3; ++method) {
    const bool mass = method == mMass;
    auto at = [&](int entryKind, int kind) -> Layout& {
      return all[(entryKind * 2 + kind) * 3 + method];
    };
    at(ekZorb, pkCalibration) = layoutOf({17, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11}, mass);
    at(ekZorb, pkVerification) = layoutOf({1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14}, mass);
    at(ekKelt, pkCalibration) = layoutOf({17, 0, 15, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 16}, mass);
    at(ekKelt, pkVerification) = layoutOf({1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 16, 12, 13, 14}, mass);
    at(ekEpr, pkCalibration) = layoutOf({17, 0, 15, 1, 2, 3, 4, 5, 9, 10, 11, 16}, mass);
    at(ekEpr, pkVerification) = layoutOf({1, 2, 3, 4, 5, 9, 10, 11, 16, 12, 13, 14}, mass);
  }
  return all;
}

constexpr std::array<Layout, 18> kLayouts = makeLayouts();

int clampIndex(int v, int hi) { return v < 0 ? 0 : (v > hi ? hi : v); }

}  // namespace

bool isReadOnlyColumn(int id, int method) {
  switch (id) {
    case colFrequency:
    case colMeasFlow:
    case colFlowError:
    case colMeasVolume:
    case colVolumeError:
    case colSection:
    case colLine:
      return true;
    case colRefVolume:  // derived unless the volume itself is measured
      return method != mVolume;
    case colRefFlow:  // derived unless a reference meter gives it
      return method != mReference;
    default:
      return false;
  }
}

ColumnInfo columnInfo(int id, int method) {
  ColumnInfo info = kColumns[clampIndex(id, kColumnIdCount - 1)];
  info.readOnly = isReadOnlyColumn(info.id, method);
  return info;
}

std::span<const uint8_t> columnLayout(int entryKind, int kind, int method) {
  const Layout& l =
      kLayouts[(clampIndex(entryKind, 2) * 2 + (kind ? 1 : 0)) * 3 + clampIndex(method, 2)];
  return {l.ids.data(), l.count};
}
