#include "core/history/historyevent.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <random>

std::string newEventId() {
  std::random_device device;
  std::array<uint8_t, 16> bytes{};
  for (size_t i = 0; i < bytes.size(); i += 4) {
    const uint32_t word = device();
    for (size_t k = 0; k < 4; ++k) bytes[i + k] = uint8_t(word >> (8 * k));
  }
  bytes[6] = uint8_t((bytes[6] & 0x0f) | 0x40);
  bytes[8] = uint8_t((bytes[8] & 0x3f) | 0x80);
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
    text += hex;
  }
  return text;
}

namespace {

// getpwuid_r: the program records from more than one thread.
std::string osUser() {
  passwd entry{};
  passwd* found = nullptr;
  std::array<char, 4096> buffer{};
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
    return found->pw_name;
  return std::to_string(geteuid());
}

std::string hostName() {
  std::array<char, 256> name{};
  if (gethostname(name.data(), name.size() - 1) != 0) return {};
  return name.data();
}

}  // namespace

void stampEvent(HistoryEvent& event) {
  if (event.id.empty()) event.id = newEventId();
  if (event.timeMs == 0)
    event.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  if (event.user.empty()) event.user = osUser();
  if (event.bench.empty()) event.bench = hostName();
}
