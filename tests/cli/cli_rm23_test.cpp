// tdservice-cli rm23: one timed run of the simulated instrument (inputs at 100, 50, 20 and
// 10 Hz, thermometers at 20 and 25 °C).

#include <gtest/gtest.h>

#include "cli/clirun.h"
#include "support/simprocess.h"

namespace {

TEST(CliRm23, TimedMeasurementRunsToItsEnd) {
  const SimProcess sim({"rm23"});
  const CliRun run = runCli({"rm23", "measure", "--port", sim.path(), "--time", "1",
                             "--temperature-channel", "1", "--sensor", "1"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto j = run.json();
  EXPECT_NEAR(j["refTime"].get<double>(), 1.0, 1e-3);
  const int expected[] = {100, 50, 20, 10};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(j["inputs"][i]["pulses"].get<int>(), expected[i], 2);
  EXPECT_NEAR(j["temperature"].get<double>(), 20.0, 1.0);

  // Without a thermometer channel no temperature is measured.
  EXPECT_FALSE(runCli({"rm23", "measure", "--port", sim.path(), "--time", "0.5"})
                   .json()
                   .contains("temperature"));
}

TEST(CliRm23, FailuresAndWrongUsage) {
  const SimProcess silent({"rm23", "--silent"});
  const CliRun run = runCli({"rm23", "measure", "--port", silent.path(), "--time", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Прибор не отвечает\n");

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"rm23", "measure", "--port", "ttyS0"},
        {"rm23", "measure", "--port", "ttyS0", "--time", "1", "--temperature-channel", "3"},
        {"rm23", "measure", "--port", "ttyS0", "--time", "1", "--sensor", "1"}}) {
    EXPECT_EQ(runCli(args).exitCode, 2) << args.back();
  }
}

}  // namespace
