#include "clidevice.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <vector>

#include "comm/comport.h"
#include "comm/portlist.h"
#include "comm/systemports.h"

int cliPortPosition(const std::string& nameOrPath) {
  std::vector<std::string> names =
      comprt::buildPortList(systemPortNames(), comprt::extraPortPaths());
  auto found = std::find(names.begin(), names.end(), nameOrPath);
  if (found == names.end()) {
    // The workers take a position of one byte: the added port replaces the list's last.
    constexpr size_t kLastPosition = 255;
    if (names.size() >= kLastPosition) names.resize(kLastPosition - 1);
    names.push_back(nameOrPath);
    found = names.end() - 1;
  }
  const int position = static_cast<int>(found - names.begin()) + 1;
  comprt::ComPort::ComList::install(std::move(names));
  return position;
}

nlohmann::json readJsonFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw MessageError("Не удалось открыть файл " + path);
  nlohmann::json value = nlohmann::json::parse(in, nullptr, false);
  if (value.is_discarded()) throw MessageError("Файл " + path + " не в формате JSON");
  return value;
}

double jsonNumber(const nlohmann::json& object, const std::string& key) {
  const auto it = object.is_object() ? object.find(key) : object.end();
  if (it == object.end() || !it->is_number())
    throw MessageError("В данных JSON нет числа \"" + key + "\"");
  return it->get<double>();
}

double shortestOf(float value) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value);
  double shortest = 0;
  std::from_chars(text, written.ptr, shortest);
  return shortest;
}
