// Writes the fixtures of the tests into a folder, one subfolder per fuzz target, as the fuzzers'
// seed corpus. Each seed is laid out as its target reads its input.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "core/devices/kelt/keltexamples.h"
#include "core/devices/kelt/keltprotocol.h"
#include "core/devices/rm23/rm23replies.h"
#include "core/devices/td/tdprotocol.h"
#include "core/devices/td/tdreadingsfiles.h"
#include "core/devices/td/tdreplies.h"
#include "core/devices/zorb/zorbframes.h"
#include "core/storage/docfixtures.h"
#include "core/storage/textexchange.h"
#include "core/storage/textfixtures.h"

namespace {

using Seeds = std::vector<std::string>;

template <class Bytes>
std::string text(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::string olderVersion(fixtures::Document d, uint32_t version) {
  d.version = version;
  if (version < 4) d.type = d.family;
  return fixtures::documentBytes(d);
}

std::string zorbVersion1() {
  fixtures::OldHeader h;
  h.type = 5;
  h.records = 2;
  return fixtures::fileHeader(1) + fixtures::oldHeader(h) + fixtures::oldRecord({}) +
         fixtures::oldRecord({19, 5, 30, 29, 2, 0, 0x80, 300, 30, 9});
}

std::vector<fixtures::Document> documents() {
  return {fixtures::tdDocument(), fixtures::zorbDocument(), fixtures::keltDocument()};
}

Seeds documentSeeds() {
  Seeds seeds;
  for (const fixtures::Document& d : documents()) {
    seeds.push_back(fixtures::documentBytes(d));
    seeds.push_back(olderVersion(d, 3));
  }
  seeds.push_back(olderVersion(fixtures::keltDocument(), 4));
  seeds.push_back(fixtures::keltVersion2());
  seeds.push_back(zorbVersion1());
  return seeds;
}

// Byte 0 bit 0: version 2; then the content after the file header.
Seeds oldDocumentSeeds() {
  return {'\0' + zorbVersion1().substr(8), '\1' + fixtures::keltVersion2().substr(8)};
}

// Byte 0: the family; then the package block.
Seeds packageSeeds() {
  Seeds seeds;
  for (const fixtures::Document& d : documents())
    for (const fixtures::Package& p : d.packages)
      seeds.push_back(char(d.family) + fixtures::packageBytes(p, d.family));
  return seeds;
}

// ZORB calibration by volume, ";" separated, decimal point or comma, the mixed lines.
Seeds textSeeds() {
  using namespace textfixtures;
  const std::string list = encodeColumnList({kTemperature, kFillerItem, kPulses1});
  Seeds seeds;
  for (char decimalComma : {0, 4}) {
    const char options[] = {0, char(2 | decimalComma), char(list.size())};
    seeds.push_back(std::string(options, 3) + list + kMixedLines);
  }
  return seeds;
}

// Byte 0: decimal comma; axis -50..50 as two 16-bit numbers; the file.
Seeds readingsSeeds() {
  const std::string axis("\xCE\xFF\x32\x00", 4);
  return {'\0' + axis + tdreadingsfiles::kWritten, '\1' + axis + tdreadingsfiles::kMixed};
}

// Byte 0: 0 (the CRC is the reply's own); the reply.
Seeds tdReplySeeds() {
  using namespace tdreplies;
  TdCoefficients block;
  block.rows[1] = {2.5f, -0.75f, 9999999};
  block.gmax = 30;
  Bytes coefficients{0x01, 0x41, 0x02};
  for (uint8_t b : tdEncodeCoefficients(block)) coefficients.push_back(b);
  const std::vector<Bytes> replies = {
      systemReply(3, 6),
      currentReply(15),
      currentReply(19),
      currentReply(39),
      withCrc(coefficients),
      withCrc({0x01, 0x41, 0x03, 0x6F, 0x12, 0x83, 0x3A, 0x00, 0x19}),
      withCrc({0x01, 0xC1, 0x02}),
  };
  Seeds seeds;
  for (const Bytes& r : replies) seeds.push_back('\0' + text(r));
  return seeds;
}

template <class P>
std::string keltSeed(const P& p, int model) {
  const std::string header = {char(model), 0, 5, char(KELT_READ_3)};
  const std::vector<uint8_t> measurement = keltWithChecksum(std::vector<uint8_t>{50, 0, 0x48, 1});
  return header + text(keltWithChecksum(keltEncode(p, model))) + text(measurement) +
         text(keltWithChecksum(keltOffsetBlock(2)));
}

// Model, sum as read, version 5, command 24; the block, the measurement, the offset block.
Seeds keltSeeds() {
  using namespace keltexamples;
  KeltParams4 longPulse = example4();  // the 3.9 ms steps of models 15..17
  longPulse.weightCode = 5;
  longPulse.pulseDuration = 7.8;
  return {keltSeed(example12(), 0), keltSeed(example12(), 1), keltSeed(example3(), 7),
          keltSeed(example3(), 9),  keltSeed(example4(), 12), keltSeed(longPulse, 15)};
}

Seeds zorbSeeds() {
  Seeds seeds;
  for (const ZorbFrameCase& c : kZorbFrames) seeds.push_back(text(c.frame));
  return seeds;
}

// Byte 0: the reply (0 identification, 1 temperature of either thermometer, 2 status); a status
// reply begins with its state.
Seeds rm23Seeds() {
  using namespace spprreplies;
  const std::string adc = text(adcReply(1000, 41000, 16400, 16640));
  return {'\0' + text(kIdentity),
          '\1' + adc,
          '\x09' + adc,
          std::string("\2\2") + text(results()),
          std::string("\2\x09") + text(kStopped),
          std::string("\2\4")};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_fuzz_seeds <folder>\n";
    return 2;
  }
  const std::map<std::string, Seeds> targets = {
      {"read_document_fuzzer", documentSeeds()}, {"old_document_fuzzer", oldDocumentSeeds()},
      {"package_load_fuzzer", packageSeeds()},   {"text_import_fuzzer", textSeeds()},
      {"td_readings_fuzzer", readingsSeeds()},   {"td_reply_fuzzer", tdReplySeeds()},
      {"kelt_blocks_fuzzer", keltSeeds()},       {"zorb_reply_fuzzer", zorbSeeds()},
      {"rm23_reply_fuzzer", rm23Seeds()},
  };
  for (const auto& [target, seeds] : targets) {
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / target;
    std::filesystem::create_directories(folder);
    for (size_t i = 0; i < seeds.size(); ++i) {
      std::ofstream out(folder / ("seed" + std::to_string(i)), std::ios::binary);
      if (!(out << seeds[i])) {
        std::cerr << "cannot write seed " << i << " of " << target << "\n";
        return 1;
      }
    }
  }
  return 0;
}
