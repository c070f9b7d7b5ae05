// tdservice-cli td: against the simulated meter (serial 12345678, Ду index 6, version 3.6, direct
// table A1 1e-5 up to code 50000, A2 1.1e-5 B2 -0.05, gmax 30, gpor 0.25).

#include <gtest/gtest.h>

#include "cli/clirun.h"
#include "support/simprocess.h"

namespace {

CliRun cliTdRead(const SimProcess& sim) { return runCli({"td", "read", "--port", sim.path()}); }

TEST(CliTd, ReadGivesWhatTheMeterHolds) {
  const SimProcess sim({"td"});
  const CliRun run = cliTdRead(sim);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto j = run.json();
  EXPECT_EQ(j["system"]["serialNumber"], 12345678);
  EXPECT_EQ(j["system"]["diameterIndex"], 6);
  EXPECT_EQ(j["system"]["version"], "3.6");
  EXPECT_EQ(j["coefficients"]["rows"][0]["A"], 1e-5);
  EXPECT_EQ(j["coefficients"]["rows"][0]["threshold"], 50000);
  EXPECT_EQ(j["coefficients"]["rows"][1]["B"], -0.05);
  EXPECT_EQ(j["coefficients"]["gmax"], 30.0);
  EXPECT_EQ(j["coefficients"]["gpor"], 0.25);
  EXPECT_EQ(j["reverseCoefficients"]["rows"][0]["threshold"], 9999999);
  EXPECT_EQ(j["netAddress"], 1);
  EXPECT_EQ(j["integrator"], 1);

  // A version without the reverse table is not asked for one.
  const SimProcess old({"td", "--version=3.4"});
  EXPECT_FALSE(cliTdRead(old).json().contains("reverseCoefficients"));
}

// The table a meter holds, written to one that keeps a byte wrong or falls silent after the
// write: the JSON names what it found, the exit code is 1.
TEST(CliTd, WriteReportsTheReadBack) {
  const SimProcess clean({"td"});
  const std::string table = writeTempFile("td_check.json", cliTdRead(clean).out);
  const struct {
    const char* option;
    int exitCode;
    const char* result;
    nlohmann::json fields;
  } cases[] = {
      {"--noise", 0, "verified", nlohmann::json::array()},
      {"--keep-wrong=8",
       1,
       "mismatch",
       {{{"name", "Код строки 1"}, {"written", "50000"}, {"found", "50001"}}}},
      {"--silent-after=1", 1, "unconfirmed", nlohmann::json::array()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    const SimProcess sim({"td", c.option});
    const CliRun write = runCli({"td", "write", "--port", sim.path(), "--coefficients", table});
    EXPECT_EQ(write.exitCode, c.exitCode) << write.err;
    EXPECT_EQ(write.json()["verification"]["result"], c.result);
    EXPECT_EQ(write.json()["verification"]["fields"], c.fields);
  }
}

TEST(CliTd, WrittenTableReadsBackAndPollAnswers) {
  const SimProcess sim({"td"});
  auto j = cliTdRead(sim).json();
  j["coefficients"]["rows"][2] = {{"A", 2.5e-5}, {"B", 0.125}, {"threshold", 70000}};
  j["coefficients"]["gmax"] = 45.5;
  const CliRun write = runCli(
      {"td", "write", "--port", sim.path(), "--coefficients", writeTempFile("td.json", j.dump())});
  ASSERT_EQ(write.exitCode, 0) << write.err;
  EXPECT_EQ(cliTdRead(sim).json()["coefficients"], j["coefficients"]);

  const CliRun poll = runCli({"td", "poll", "--port", sim.path()});
  ASSERT_EQ(poll.exitCode, 0) << poll.err;
  EXPECT_TRUE(poll.json().contains("operatingTime"));  // version 3.6 polls the long form
  EXPECT_EQ(poll.json()["fault"], false);
}

// What `read` prints, `write` takes back unchanged; the meter then holds the table it held.
TEST(CliTd, ReadJsonWritesBackUnchanged) {
  const struct {
    const char* simOption;
    const char* err;                 // what the panel's log would add, on standard error
  } cases[] = {{"--address=7", ""},  // the panel's default address 0 reaches any meter
               {"--version=4.1", "Неизвестная версия прибора\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.simOption);
    const SimProcess sim({"td", c.simOption});
    const CliRun read = cliTdRead(sim);
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.err, c.err);
    const CliRun write = runCli({"td", "write", "--port", sim.path(), "--coefficients",
                                 writeTempFile("td_back.json", read.out)});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    EXPECT_EQ(write.json()["coefficients"], read.json()["coefficients"]);
    EXPECT_EQ(cliTdRead(sim).json(), read.json());
  }
}

TEST(CliTd, LineFailuresGiveThePanelsText) {
  const struct {
    const char* simOption;
    const char* text;
  } cases[] = {{"--silent", "Прибор не отвечает\n"},
               {"--bad-crc", "Ошибка контрольной суммы\n"},
               {"--error=3", "Недопустимое значение в поле данных\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.simOption);
    const SimProcess sim({"td", c.simOption});
    const CliRun run = cliTdRead(sim);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, c.text);
    EXPECT_EQ(run.out, "");
  }
}

TEST(CliTd, TableTheMeterCannotHoldIsRefusedBeforeSending) {
  const SimProcess sim({"td"});
  const auto before = cliTdRead(sim).json();
  auto j = before;
  j["coefficients"]["rows"][0]["A"] = 1e40;
  const CliRun run = runCli({"td", "write", "--port", sim.path(), "--coefficients",
                             writeTempFile("td_bad.json", j.dump())});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Недопустимое значение A1: 1e+40\n");
  EXPECT_EQ(cliTdRead(sim).json(), before);
}

TEST(CliTd, WrongUsageExitsWithTwo) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"td", "read"},
        {"td", "read", "--port", "ttyS0", "--baud", "1234"},
        {"td", "read", "--port", "ttyS0", "--address", "256"},
        {"td", "write", "--port", "ttyS0"}}) {
    const CliRun run = runCli(args);
    EXPECT_EQ(run.exitCode, 2) << args.back();
    EXPECT_NE(run.err.find("Использование: tdservice-cli td"), std::string::npos) << run.err;
  }
}

}  // namespace
