#pragma once
// One simulated device of tdservice-sim. The shared core owns the pseudo-terminal, the timing and
// the options every device has (--silent, --delay=MS, --noise); a mode only turns received bytes
// into answers. A mode file registers itself with TD_SIM_MODE, so a new device is one new file.

#include <charconv>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class SimMode {
 public:
  virtual ~SimMode() = default;
  // An option of this device only, "--name" or "--name=value" (value empty for the first form).
  // Returns false when the mode does not know it.
  virtual bool option(std::string_view name, std::string_view value) = 0;
  // Bytes as they arrive from the program, in pieces of any size; returns what the device sends
  // back (nothing while a request is incomplete).
  virtual std::vector<uint8_t> receive(std::span<const uint8_t> bytes) = 0;
  // The line has been quiet for a while: a request still incomplete is abandoned.
  virtual void idle() {}
};

// An option's value as a whole decimal number from min to max; nothing when it is not one.
inline std::optional<long long> optionNumber(std::string_view text, long long min, long long max) {
  long long value = 0;
  const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || err != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return value;
}

using SimModeFactory = std::unique_ptr<SimMode> (*)();

// Called from static initialisers of the mode files; returns true so it can initialise a constant.
bool registerSimMode(const char* name, SimModeFactory factory);

#define TD_SIM_MODE(name, Class)                                           \
  [[maybe_unused]] static const bool registered_##Class = registerSimMode( \
      name, []() -> std::unique_ptr<SimMode> { return std::make_unique<Class>(); })
