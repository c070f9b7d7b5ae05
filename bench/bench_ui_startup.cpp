// Start-up time of the program: from starting the process to its main window shown. The program
// runs offscreen and leaves right after the first show (TDSERVICE_QUIT_WHEN_SHOWN), so one
// iteration is one whole process run. Target: at most 0.5 s (median).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

void BM_StartToMainWindowShown(benchmark::State& state) {
  // The benchmark program lives in build/bench, the program in build.
  const QString program = QCoreApplication::applicationDirPath() + "/../tdservice";
  if (!QFileInfo(program).isExecutable()) {
    state.SkipWithError("tdservice is not built");
    return;
  }
  QTemporaryDir home;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("TDSERVICE_QUIT_WHEN_SHOWN", "1");
  env.insert("XDG_CONFIG_HOME", home.filePath("config"));
  env.insert("XDG_DATA_HOME", home.filePath("data"));
  for (auto _ : state) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, {});
    if (!process.waitForFinished(10000) || process.exitCode() != 0) {
      state.SkipWithError("tdservice did not start and quit");
      return;
    }
  }
}
BENCHMARK(BM_StartToMainWindowShown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace
