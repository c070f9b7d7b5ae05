#pragma once
// The example documents shipped with the program: one transducer of each family at the flow bench,
// with a calibration package approximated by the program and a verification package. They are
// made by the program's own main window and written by its document writer, so they always match
// the current file format; creation times are fixed, so the bytes only change with the program.

#include <string>
#include <vector>

namespace examples {

struct ExampleFile {
  std::string name;   // "td.srv", "kelt.srv", "zorb.srv"
  std::string bytes;  // the whole document
};

// Builds every example. Needs a QApplication; throws MessageError when the program refuses one of
// them (an approximation that fails, a parameter the device does not take).
std::vector<ExampleFile> buildExamples();

}  // namespace examples
