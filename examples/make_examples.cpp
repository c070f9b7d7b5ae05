// Writes the example documents into the folder named on the command line:
//   make_examples <folder>
// Runs offscreen with its own settings folder, so no port of the user's is opened.

#include <QApplication>
#include <QTemporaryDir>
#include <fstream>
#include <iostream>

#include "core/base/errors.h"
#include "examples/exampledocs.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Использование: make_examples <папка>\n";
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir settings;
  qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
  QApplication app(argc, argv);
  try {
    for (const examples::ExampleFile& file : examples::buildExamples()) {
      const std::string path = std::string(argv[1]) + "/" + file.name;
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << file.bytes;
      out.close();
      if (!out) throw MessageError("Не удалось записать " + path);
      std::cout << path << "\n";
    }
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
