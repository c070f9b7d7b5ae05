// Writes the documents of the storage tests into a folder, as the fuzzer's seed corpus.

#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "storage/docfixtures.h"

namespace {

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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_fuzz_seeds <folder>\n";
    return 2;
  }
  const std::vector<std::pair<std::string, std::string>> seeds = {
      {"td5", fixtures::documentBytes(fixtures::tdDocument())},
      {"zorb5", fixtures::documentBytes(fixtures::zorbDocument())},
      {"kelt5", fixtures::documentBytes(fixtures::keltDocument())},
      {"kelt4", olderVersion(fixtures::keltDocument(), 4)},
      {"zorb3", olderVersion(fixtures::zorbDocument(), 3)},
      {"td3", olderVersion(fixtures::tdDocument(), 3)},
      {"kelt2", fixtures::keltVersion2()},
      {"zorb1", zorbVersion1()},
  };
  for (const auto& [name, bytes] : seeds) {
    std::ofstream out(std::string(argv[1]) + "/" + name + ".srv", std::ios::binary);
    if (!(out << bytes)) {
      std::cerr << "cannot write seed " << name << "\n";
      return 1;
    }
  }
  return 0;
}
