#include "clidevice.h"

#include <charconv>
#include <fstream>

#include "cliargs.h"
#include "ui/base/systemports.h"

int cliPortPosition(const std::string& nameOrPath) { return installPortListWith(nameOrPath); }

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

CliTrace::CliTrace(const std::string& path) : path_(path), out_(path, std::ios::trunc) {
  if (!out_) throw MessageError("Не удалось открыть файл трассировки " + path);
  out_ << exchangeTextHeader() << std::flush;
  writer_ = std::jthread([this](std::stop_token stop) {
    while (!stop.stop_requested()) {
      std::this_thread::sleep_for(kPeriod);
      flush();
    }
  });
}

CliTrace::~CliTrace() {
  writer_ = {};
  flush();
}

CliTrace* CliTrace::ofCommandLine() {
  if (traceFile().empty()) return nullptr;
  // Kept to the end of the run: a command with several workers writes them all to one file.
  static const std::unique_ptr<CliTrace> trace = std::make_unique<CliTrace>(traceFile());
  return trace.get();
}

void CliTrace::flush() {
  std::lock_guard lock(mutex_);
  std::vector<comprt::ExchangeFrame> frames;
  const std::uint64_t dropped = comprt::FrameTap::instance().take(frames);
  if (dropped != 0) out_ << exchangeDroppedLine(dropped);
  for (comprt::ExchangeFrame& frame : frames) {
    out_ << exchangeTextLine(decoder_.decode(std::move(frame)));
  }
  out_.flush();
}

void CliTrace::requireWritten() {
  std::lock_guard lock(mutex_);
  if (!out_) throw MessageError("Не удалось записать файл трассировки " + path_);
}

double shortestOf(float value) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value);
  double shortest = 0;
  std::from_chars(text, written.ptr, shortest);
  return shortest;
}

std::string deviceUsageNotes() {
  return "\nКоманды приборов:\n"
         "ПОРТ - имя из списка портов (ttyS0, ttyUSB0, пути из TDSERVICE_PORTS) или путь к\n"
         "  устройству; порт, которого нет в списке, добавляется в него.\n"
         "td: --baud - скорость линии (по умолчанию 9600), --address - сетевой адрес запросов\n"
         "  (по умолчанию 0, как в параметрах подключения панели). Предупреждения, которые\n"
         "  панель выводит в журнал (например \"Неизвестная версия прибора\"), выводятся в\n"
         "  поток ошибок, значения при этом используются. td write берет таблицу прямых\n"
         "  коэффициентов из JSON, который выводит td read (весь вывод или его объект\n"
         "  \"coefficients\").\n"
         "kelt: M - номер модели 0..17 (код типа прибора минус 18); battery и tune - для\n"
         "  моделей с адаптером ОМБ-КЕЛТ (0..8). kelt write берет параметры из JSON, который\n"
         "  выводит kelt read для той же модели; длительность импульса округляется до шага\n"
         "  прибора, как на панели, и выводится округленной; частотному выходу моделей 7..17\n"
         "  коэффициенты не нужны. Восстановление и термокоррекция (модели 12..17) всегда\n"
         "  записываются включенными, как их записывает панель.\n"
         "zorb: M - номер модели 0..16 (код типа прибора минус 1), только модели с импульсным\n"
         "  выходом; КОД - код Ду 2..11 (Ду 25 .. Ду 200).\n"
         "rm23 measure: измерение с остановкой по времени; --temperature-channel - канал\n"
         "  термометра (без него температура не измеряется), --sensor - тип термометра.\n"
         "Значения проверяются до того, как что-либо отправлено прибору.\n"
         "--trace ФАЙЛ - записывать в ФАЙЛ каждый кадр обмена с прибором по мере обмена: время,\n"
         "  порт, прибор, направление, байты, смысл, проверка, задержка ответа в мс (столбцы\n"
         "  через табуляцию, как при сохранении монитора обмена в текст). Файл создается\n"
         "  заново.\n";
}
