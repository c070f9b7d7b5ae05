#include "examples/exampledocs.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <cmath>
#include <cstring>
#include <sstream>

#include "core/base/errors.h"
#include "core/devices/kelt/keltdocblock.h"
#include "core/devices/td/tddocblock.h"
#include "core/package/approxstate.h"
#include "core/package/packagebase.h"
#include "core/package/physics.h"
#include "core/storage/files.h"
#include "ui/app/devicefactory.h"
#include "ui/app/doccreate.h"
#include "ui/app/mainform.h"
#include "ui/package/packagecreatedlg.h"

namespace examples {
namespace {

// A flow point of the bench programme: the reference flow (m³/h) and how long one run lasts (s),
// long enough for a few hundred litres or at least ten minutes at the smallest flows.
struct FlowPoint {
  double flow;
  double seconds;
};

// The transducer under test: what it reads at a true flow (an internal code, or an output
// frequency in Hz whose pulses are counted) and the volume of one pulse of its volume output.
struct Transducer {
  double (*reading)(double flow);
  bool countsPulses;
  double pulseWeight;  // m³
};

// Run-to-run scatter of the transducer (%) and of the water temperature (°C), taken in turn so the
// documents are the same at every build.
constexpr double kScatter[] = {0.12, -0.08, 0.21, -0.15, 0.05, -0.22, 0.17, -0.03,
                               0.09, -0.11, 0.26, -0.18, 0.02, 0.14,  -0.06};
constexpr double kTemperature[] = {20.4, 20.6, 20.5, 20.9, 21.1, 21.0, 21.3, 21.2, 21.4, 21.6};

double rounded(double value, double step) { return std::round(value / step) * step; }

// One run: the reference's quantity in the package's method, the transducer's reading and its
// volume pulses. Runs are numbered through the package for the scatter.
void addRun(PackageBase& package, const Transducer& meter, const FlowPoint& point, int run,
            bool breakPoint) {
  const double error = kScatter[run % std::size(kScatter)];
  const double temperature = kTemperature[run % std::size(kTemperature)];
  const double litres = rounded(point.flow * point.seconds / 3.6, 0.01);
  const double trueFlow = point.flow * (1 + error / 100);

  package.addEntry();
  const int row = package.entryCount() - 1;
  package.setValue(row, colTemperature, temperature);
  package.setValue(row, colRefTime, point.seconds);
  switch (package.method) {
    case mVolume:
      package.setValue(row, colRefVolume, litres);
      break;
    case mMass:
      package.setValue(row, colRefMass, rounded(litres * waterDensity(temperature), 0.01));
      break;
    default:
      package.setValue(row, colRefFlow, point.flow);
  }
  const double reading = meter.reading(trueFlow);
  if (meter.countsPulses) {
    package.setValue(row, colPulseTime, point.seconds);
    package.setValue(row, colPulses1,
                     static_cast<int32_t>(1 + std::round(reading * point.seconds)));
  } else {
    package.setValue(row, colCode, std::round(reading));
  }
  const double pulses = litres * (1 + error / 100) / (meter.pulseWeight * 1000);
  package.setValue(row, colPulses2, static_cast<int32_t>(std::round(pulses)));
  if (breakPoint) package.setValue(row, colPoint, uint8_t{1});
  package.recalcEntry(row);
}

// What the metrologist chooses and measures for one document.
struct Plan {
  const char* file;
  int typeCode;
  DeviceIdentity identity;
  std::vector<uint8_t> parameters;
  Transducer meter;
  int method;
  std::vector<FlowPoint> calibration;
  int repeats;                      // runs per calibration point
  std::vector<size_t> breakPoints;  // calibration points where one line ends and the next begins
  std::vector<FlowPoint> verification;
  SystemTime calibrated, verified;
};

// The main window as a user drives it: the New document and New package dialogs answered, the
// approximation command run on the calibration package.
class Session {
 public:
  explicit Session(const Plan& plan) : plan_(plan), form_({}, seams()) {}

  std::string run() {
    form_.ActionNew->trigger();
    DeviceBase& device = *form_.document().device;
    device.setIdentity(plan_.identity);
    if (!device.setParameters(plan_.parameters.data(),
                              static_cast<uint32_t>(plan_.parameters.size())) ||
        std::fabs(device.pulseWeight() - plan_.meter.pulseWeight) > 1e-12)
      throw MessageError(std::string(plan_.file) + ": прибор не принял параметры");

    PackageBase& calibration = newPackage(pkCalibration, plan_.calibrated);
    int run = 0;
    for (size_t i = 0; i < plan_.calibration.size(); ++i) {
      bool marked = false;
      for (size_t b : plan_.breakPoints) marked |= b == i;
      for (int r = 0; r < plan_.repeats; ++r, ++run)
        addRun(calibration, plan_.meter, plan_.calibration[i], run, marked && r == 0);
    }
    form_.ActionAppr->trigger();
    if (!form_.Console->toPlainText().endsWith("Аппроксимация выполнена"))
      throw MessageError(std::string(plan_.file) + ": " +
                         form_.Console->toPlainText().toStdString());

    PackageBase& verification = newPackage(pkVerification, plan_.verified);
    for (const FlowPoint& point : plan_.verification)
      for (int r = 0; r < 2; ++r) addRun(verification, plan_.meter, point, run++, false);
    recalcDocument(form_.document());

    std::ostringstream out;
    files::writeDocument(out, device, form_.document().packages);
    return out.str();
  }

 private:
  TMainForm::Seams seams() {
    TMainForm::Seams s;
    s.createDevice = createDevice;
    s.execDialog = [this](QDialog& dialog) {
      if (auto* doc = qobject_cast<TDocCreateDlg*>(&dialog)) doc->selectType(plan_.typeCode);
      if (auto* pkg = qobject_cast<TPackageCreateDlg*>(&dialog)) {
        (kind_ == pkVerification ? pkg->rbCheckMode : pkg->rbCalibrMode)->setChecked(true);
        QRadioButton* methods[] = {pkg->rbVolMethod, pkg->rbMassMethod, pkg->rbGMethod};
        methods[plan_.method]->setChecked(true);
      }
      return int(QDialog::Accepted);
    };
    s.openUrl = [](const QUrl&) {};
    return s;
  }

  PackageBase& newPackage(int kind, const SystemTime& created) {
    kind_ = kind;
    form_.ActionNewPackage->trigger();
    PackageBase& package = *form_.document().packages.back();
    package.created = created;
    return package;
  }

  const Plan& plan_;
  TMainForm form_;
  int kind_ = pkCalibration;
};

template <class T>
std::vector<uint8_t> bytesOf(const T& block) {
  std::vector<uint8_t> bytes(sizeof block);
  std::memcpy(bytes.data(), &block, sizeof block);
  return bytes;
}

// A TD meter, Ду 50: a code of about 2000 per m³/h that grows a little faster at small flows.
double tdCode(double flow) { return 2000 * flow * (1 + 0.03 / (1 + 2 * flow)); }
// A KELT vortex transducer, Ду 32: about 28 Hz per m³/h, falling short at small flows.
double keltFrequency(double flow) { return 28 * flow * (1 - 0.025 / (1 + flow)); }
// A ZORB transducer, Ду 40: 50 Hz per m³/h, nearly linear.
double zorbFrequency(double flow) { return 50 * flow * (1 - 0.004 / (1 + flow)); }

std::vector<Plan> plans() {
  TdParameters td;
  td.pulseWeight = 0.00001f;
  td.pulseLength = 10;
  td.gmax = 36;
  td.gpor = 0.05f;
  KeltDocParameters kelt;
  kelt.outputPosition = 0;  // pulse output
  kelt.weightPosition = 0;  // 0,0001 m³
  kelt.n = 1;
  kelt.pulseDuration = 1;
  const std::vector<uint8_t> zorb(8, 0);  // pulse-weight position 0: 0,0001 m³
  return {
      {"td.srv",
       kTdCode,
       {23041517, 5},
       bytesOf(td),
       {tdCode, false, 0.00001},
       mVolume,
       {{0.3, 1200}, {0.8, 600}, {2, 360}, {5, 180}, {12, 120}, {25, 90}, {36, 60}},
       3,
       {2, 4},
       {{0.5, 720}, {6, 180}, {30, 60}},
       {2026, 3, 1, 16, 10, 5, 0, 0},
       {2026, 3, 1, 16, 14, 20, 0, 0}},
      {"kelt.srv",
       kFirstKeltCode + 7,
       {11020304, 3},
       bytesOf(kelt),
       {keltFrequency, true, 0.0001},
       mMass,
       {{0.4, 900}, {1, 600}, {2.5, 300}, {6, 180}, {12, 120}, {20, 90}},
       3,
       {2, 4},
       {{0.8, 600}, {5, 180}, {16, 90}},
       {2026, 3, 2, 17, 9, 40, 0, 0},
       {2026, 3, 2, 17, 13, 15, 0, 0}},
      {"zorb.srv",
       kFirstZorbCode + 7,
       {40517, 4},
       zorb,
       {zorbFrequency, true, 0.0001},
       mVolume,
       {{0.5, 720}, {1.5, 480}, {4, 240}, {8, 120}, {16, 90}},
       2,
       {},
       {{1, 600}, {10, 120}},
       {2026, 3, 3, 18, 11, 0, 0, 0},
       {2026, 3, 3, 18, 15, 30, 0, 0}},
  };
}

}  // namespace

std::vector<ExampleFile> buildExamples() {
  std::vector<ExampleFile> files;
  for (const Plan& plan : plans()) files.push_back({plan.file, Session(plan).run()});
  return files;
}

}  // namespace examples
