#include "core/package/recalc.h"

#include <cmath>

#include "core/package/approxstate.h"
#include "core/package/physics.h"
#include "core/package/sections.h"

namespace {

double orFallback(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

// What recalculation reads from the process-wide state, fetched once per batch of entries.
struct RecalcContext {
  const files::Line* lines;
  size_t lineCount;
  double pulseWeight;
  double refTemp;
  uint8_t method;
};

template <class E>
void recalcReference(E& e, uint8_t method) {
  const double rho = waterDensity(e.temperature);
  switch (method) {
    case mVolume:
      e.refMass = orFallback(rho * e.refVolume, 0);
      e.refFlow = orFallback(3.6 * e.refVolume / e.refTime, 0);
      break;
    case mMass:
      e.refVolume = orFallback(e.refMass / rho, 0);
      e.refFlow = orFallback(3.6 * e.refVolume / e.refTime, 0);
      break;
    default:
      e.refVolume = orFallback(e.refTime * e.refFlow / 3.6, 0);
      e.refMass = orFallback(rho * e.refVolume, 0);
      break;
  }
}

// Frequency and the values reduced to the reference temperature; gives the reduction factor, which
// is not finite where it cannot be computed. When the factor or a reduced value cannot be computed,
// the frequency, the reduced values and a derived reference flow are 0.
template <class E>
double recalcReduced(E& e, const RecalcContext& ctx) {
  e.frequency = e.pulses1 >= 1 ? orFallback((e.pulses1 - 1.0) / e.pulseTime, 0) : 0;
  const double k = reductionFactor(e.temperature, ctx.refTemp);
  const double rf = e.frequency * k;
  const double rq = e.refFlow * k;
  if (std::isfinite(k) && std::isfinite(rf) && std::isfinite(rq)) {
    e.reducedFrequency = rf;
    e.reducedFlow = rq;
  } else {
    e.frequency = e.reducedFrequency = e.reducedFlow = 0;
    if (ctx.method != mReference) e.refFlow = 0;
  }
  return k;
}

// Index of the line whose range holds the reading: the first whose F is not below it, else the
// last.
inline size_t chooseLine(const files::Line* lines, size_t n, double x) {
  for (size_t i = 0; i + 1 < n; ++i)
    if (lines[i].F >= x) return i;
  return n - 1;
}

template <class E>
void recalcOne(E& e, const RecalcContext& ctx) {
  recalcReference(e, ctx.method);
  e.measVolume = orFallback(e.pulses2 * ctx.pulseWeight * 1000.0, 0);
  e.volumeError = orFallback((e.measVolume - e.refVolume) * 100 / e.refVolume, 100);

  double k = 1;
  if constexpr (kHasPulses<E>) k = recalcReduced(e, ctx);

  if (ctx.lineCount == 0) {
    e.measFlow = 0;
    e.flowError = 100;
    if constexpr (kHasSections<E>) e.line = 0;
    return;
  }
  size_t i = 0;
  if constexpr (kHasSections<E>) {
    i = chooseLine(ctx.lines, ctx.lineCount, readingOf(e));
    e.line = static_cast<int32_t>(i + 1);
  }
  const double flow = lineFlow(e, ctx.lines[i], k);
  if (std::isfinite(k) && std::isfinite(flow)) {
    e.measFlow = flow;
    e.flowError = orFallback((flow - e.refFlow) * 100 / e.refFlow, 100);
  } else {
    e.measFlow = 0;
    e.flowError = 100;
  }
}

}  // namespace

template <class E>
void recalcEntries(std::span<E> entries, uint8_t method, std::span<const files::Line> lines,
                   const ApprSettings& settings) {
  const RecalcContext ctx{lines.data(), lines.size(), settings.pulseWeight, settings.refTemp,
                          method};
  for (E& e : entries) recalcOne(e, ctx);
}

template <class E>
void recalcEntries(std::span<E> entries, uint8_t method) {
  recalcEntries(entries, method, currentLines(), apprSettings());
}

template void recalcEntries(std::span<ZorbEntry>, uint8_t);
template void recalcEntries(std::span<KeltEntry>, uint8_t);
template void recalcEntries(std::span<EprEntry>, uint8_t);
template void recalcEntries(std::span<ZorbEntry>, uint8_t, std::span<const files::Line>,
                            const ApprSettings&);
template void recalcEntries(std::span<KeltEntry>, uint8_t, std::span<const files::Line>,
                            const ApprSettings&);
template void recalcEntries(std::span<EprEntry>, uint8_t, std::span<const files::Line>,
                            const ApprSettings&);
