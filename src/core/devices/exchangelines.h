#pragma once
// The exchange monitor's reading of a recorded frame: what it means in its family's protocol,
// whether it passed its check, and the line the monitor window and the trace file show for it.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/comm/frametap.h"

using comprt::FrameMeaning;

// A frame with what it means, as a line of the monitor.
struct ExchangeLine {
  comprt::ExchangeFrame frame;
  FrameMeaning meaning;  // the decoder's check merged with the worker's
};

// Decodes `frame` with its family's protocol; `request` is the request that preceded a reply on
// the same port (empty when unknown).
FrameMeaning describeFrame(const comprt::ExchangeFrame& frame,
                           std::span<const std::uint8_t> request);

// Turns frames into lines in order, remembering each port's last request for its reply.
class ExchangeDecoder {
 public:
  ExchangeLine decode(comprt::ExchangeFrame frame);

 private:
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> requests_;
};

// Texts of the columns.
enum ExchangeColumn {
  EC_TIME,
  EC_PORT,
  EC_FAMILY,
  EC_DIRECTION,
  EC_BYTES,
  EC_MEANING,
  EC_CHECK,
  EC_LATENCY,
  EC_COUNT
};
const char* exchangeColumnTitle(int column);
std::string exchangeColumnText(const ExchangeLine& line, int column);
const char* frameFamilyName(comprt::FrameFamily family);
std::string hexBytes(std::span<const std::uint8_t> bytes);

// The text form (tab-separated columns, what the trace file holds) and CSV (';', quoted fields).
std::string exchangeTextHeader();
std::string exchangeTextLine(const ExchangeLine& line);
std::string exchangeCsvHeader();
std::string exchangeCsvLine(const ExchangeLine& line);
// The line that stands for frames lost to a full buffer.
std::string exchangeDroppedLine(std::uint64_t count);
