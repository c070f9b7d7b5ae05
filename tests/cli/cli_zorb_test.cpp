// tdservice-cli zorb: against the simulated transducer (A 0.12, B 0 at Ду 25, code 2).

#include <gtest/gtest.h>

#include "cli/clirun.h"
#include "support/simprocess.h"

namespace {

CliRun cliZorb(const SimProcess& sim, const char* command,
               const std::vector<std::string>& extra = {}) {
  return runCli({"zorb", command, "--model", "1", "--du", "2", "--port", sim.path()}, extra);
}

TEST(CliZorb, ReadWriteAndReadBack) {
  const SimProcess sim({"zorb"});
  const CliRun read = cliZorb(sim, "read");
  ASSERT_EQ(read.exitCode, 0) << read.err;
  EXPECT_EQ(read.json(), (nlohmann::json{{"A", 0.12}, {"B", 0.0}, {"duCode", 2}}));

  ASSERT_EQ(cliZorb(sim, "write", {"--a", "0.15", "--b", "-0.01"}).exitCode, 0);
  EXPECT_EQ(cliZorb(sim, "read").json(),
            (nlohmann::json{{"A", 0.15}, {"B", -0.01}, {"duCode", 2}}));
}

// The coefficients `read` prints, given back to `write` as they are, leave the device as it was.
TEST(CliZorb, ReadValuesWriteBackUnchanged) {
  const SimProcess sim({"zorb"});
  const auto read = cliZorb(sim, "read").json();
  const CliRun write = cliZorb(sim, "write", {"--a", read["A"].dump(), "--b", read["B"].dump()});
  ASSERT_EQ(write.exitCode, 0) << write.err;
  auto written = write.json();
  EXPECT_EQ(written["verification"]["result"], "verified");
  written.erase("verification");
  EXPECT_EQ(written, read);
  EXPECT_EQ(cliZorb(sim, "read").json(), read);
}

// The write's JSON says what the device kept, and the exit code tells a script whether it is
// what was written.
TEST(CliZorb, WriteReportsTheReadBack) {
  const struct {
    const char* option;
    int exitCode;
    nlohmann::json verification;
  } cases[] = {
      {"--noise",
       0,
       {{"result", "verified"},
        {"fields", nlohmann::json::array()},
        {"message", "Запись подтверждена: прибор хранит записанные значения"}}},
      // The high byte of the doubled A code at Ду 25: 256 codes up, 128 after halving.
      {"--keep-wrong=1",
       1,
       {{"result", "mismatch"},
        {"fields", {{{"name", "A"}, {"written", "0.15"}, {"found", "0.15128"}}}},
        {"message", "ВНИМАНИЕ! Запись не подтверждена: A: записано 0.15, в приборе 0.15128"}}},
      {"--silent-after=1",
       1,
       {{"result", "unconfirmed"},
        {"fields", nlohmann::json::array()},
        {"message",
         "ВНИМАНИЕ! Запись не удалось проверить (значения могли быть записаны): Прибор не "
         "отвечает"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    const SimProcess sim({"zorb", c.option});
    const CliRun write = cliZorb(sim, "write", {"--a", "0.15", "--b", "-0.01"});
    EXPECT_EQ(write.exitCode, c.exitCode) << write.err;
    EXPECT_EQ(write.json()["verification"], c.verification);
    EXPECT_EQ(write.err,
              c.exitCode == 0 ? "" : c.verification["message"].get<std::string>() + "\n");
  }
}

TEST(CliZorb, FailuresAndRefusedCoefficients) {
  const SimProcess silent({"zorb", "--silent"});
  CliRun run = cliZorb(silent, "read");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Прибор не отвечает\n");

  // A code 2 * 0.2 * 100000 is beyond 36000: refused before sending, the device keeps 0.12.
  const SimProcess sim({"zorb"});
  run = cliZorb(sim, "write", {"--a", "0.2", "--b", "0"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Недопустимые значения коэффициентов A и/или B\n");
  EXPECT_EQ(cliZorb(sim, "read").json()["A"], 0.12);

  // Model 0 has no pulse output, so the panel offers no exchange for it.
  run = runCli({"zorb", "read", "--model", "0", "--du", "2", "--port", sim.path()});
  EXPECT_EQ(run.exitCode, 1);
}

TEST(CliZorb, WrongUsageExitsWithTwo) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"zorb", "read", "--model", "1", "--port", "ttyS0"},
        {"zorb", "read", "--model", "17", "--du", "2", "--port", "ttyS0"},
        {"zorb", "read", "--model", "1", "--du", "1", "--port", "ttyS0"},
        {"zorb", "write", "--model", "1", "--du", "2", "--port", "ttyS0", "--a", "x", "--b",
         "0"}}) {
    EXPECT_EQ(runCli(args).exitCode, 2) << args[5];
  }
}

}  // namespace
