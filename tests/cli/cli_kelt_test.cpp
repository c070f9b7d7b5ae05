// tdservice-cli kelt: against the simulated model 7 behind the adapter (coupling 50 at level 1,
// battery code 3).

#include <gtest/gtest.h>

#include <fstream>

#include "cli/clirun.h"
#include "support/simprocess.h"

namespace {

CliRun cliKelt(const SimProcess& sim, const char* command,
               const std::vector<std::string>& extra = {}) {
  return runCli({"kelt", command, "--model", "7", "--port", sim.path()}, extra);
}

TEST(CliKelt, ReadWriteAndReadBack) {
  const SimProcess sim({"kelt"});
  const CliRun read = cliKelt(sim, "read");
  ASSERT_EQ(read.exitCode, 0) << read.err;
  auto j = read.json();
  EXPECT_EQ(j["model"], 7);
  EXPECT_EQ(j["A"].size(), 5u);
  EXPECT_EQ(j["F"].size(), 4u);
  EXPECT_NEAR(j["A"][0].get<double>(), 0.5, 1e-4);

  j["pulseDuration"] = 2;
  j["B"][4] = 0.02;
  const CliRun write =
      cliKelt(sim, "write", {"--parameters", writeTempFile("kelt.json", j.dump())});
  ASSERT_EQ(write.exitCode, 0) << write.err;
  const auto back = cliKelt(sim, "read").json();
  EXPECT_NEAR(back["pulseDuration"].get<double>(), 2, 0.02);        // the block's own step
  EXPECT_EQ(write.json()["pulseDuration"], back["pulseDuration"]);  // printed as snapped
  EXPECT_NEAR(back["B"][4].get<double>(), 0.02, 1e-4);
}

// What `read` prints, `write` takes back unchanged, and the device is left holding what it held.
// The simulator starts with blocks of its own making, which the program's encoding may tidy (n of
// a pulse output written as 0, a duration snapped, the unused fields of a frequency output): once
// the program has written a block, a read and a write back leave the very same bytes.
TEST(CliKelt, ReadJsonWritesBackUnchanged) {
  const struct {
    const char* model;
    const char* simOutput;  // "" for the pulse output
    const char* what;
  } cases[] = {{"3", "", "format 2, pulse output: n is written as 0 and shown as 1"},
               {"8", "--output=3", "format 3, frequency output: no characteristic"},
               {"16", "--output=2", "format 4, frequency output"},
               {"13", "", "format 4, pulse output: the read duration is snapped to the grid"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string record = writeTempFile("kelt_record.txt", "");
    std::vector<std::string> simArgs{"kelt", std::string("--model=") + c.model,
                                     "--record=" + record};
    if (*c.simOutput) simArgs.push_back(c.simOutput);
    const SimProcess sim(simArgs);
    const auto target = [&](const char* command) {
      return std::vector<std::string>{"kelt", command, "--model", c.model, "--port", sim.path()};
    };
    for (const bool programWritten : {false, true}) {
      const CliRun read = runCli(target("read"));
      ASSERT_EQ(read.exitCode, 0) << read.err;
      const CliRun write =
          runCli(target("write"), {"--parameters", writeTempFile("kelt_back.json", read.out)});
      ASSERT_EQ(write.exitCode, 0) << write.err;
      auto written = write.json();
      EXPECT_EQ(written["verification"]["result"], "verified");
      written.erase("verification");
      EXPECT_EQ(written, read.json());
      EXPECT_EQ(runCli(target("read")).json(), read.json());
      std::ifstream held(record);
      std::string before, after;
      ASSERT_TRUE(std::getline(held, before) && std::getline(held, after)) << "no block taken";
      if (programWritten) {
        EXPECT_EQ(after, before);
      }
    }
  }
}

// The parameters a device of the model holds, written to a device that keeps a byte wrong or
// whose read-back fails: the JSON names what it found, the exit code is 1.
TEST(CliKelt, WriteReportsTheReadBack) {
  const struct {
    const char* model;
    const char* option;
    int exitCode;
    const char* result;
    const char* firstField;
    const char* reason;
  } cases[] = {
      {"7", "--reply-delay=0", 0, "verified", nullptr, nullptr},
      {"7", "--keep-wrong=0", 1, "mismatch", "A1", nullptr},
      // Parameters and then the offset: both read back, one verification.
      {"3", "--keep-wrong=0", 1, "mismatch", "Делитель частоты", nullptr},
      {"12", "--bad-checksum=data", 1, "unconfirmed", nullptr, "Ошибка контрольной суммы"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + c.option);
    const auto target = [&](const SimProcess& sim, const char* command) {
      return std::vector<std::string>{"kelt", command, "--model", c.model, "--port", sim.path()};
    };
    const SimProcess clean({"kelt", std::string("--model=") + c.model});
    const CliRun read = runCli(target(clean, "read"));
    ASSERT_EQ(read.exitCode, 0) << read.err;
    const SimProcess sim({"kelt", std::string("--model=") + c.model, c.option});
    const CliRun write =
        runCli(target(sim, "write"), {"--parameters", writeTempFile("kelt_check.json", read.out)});
    EXPECT_EQ(write.exitCode, c.exitCode) << write.err;
    const auto verification = write.json()["verification"];
    EXPECT_EQ(verification["result"], c.result);
    if (c.firstField) {
      EXPECT_EQ(verification["fields"][0]["name"], c.firstField);
    }
    if (c.reason) {
      EXPECT_NE(verification["message"].get<std::string>().find(c.reason), std::string::npos);
    }
  }
}

TEST(CliKelt, AdapterBatteryAndTuning) {
  const SimProcess sim({"kelt"});
  EXPECT_EQ(cliKelt(sim, "battery").json(),
            (nlohmann::json{{"battery", "3,3..3,45В"}, {"batteryCode", 3}}));
  EXPECT_EQ(cliKelt(sim, "tune").json(),
            (nlohmann::json{{"coupling", 50}, {"couplingGood", true}, {"level", 1}}));
  // A direct model has no adapter.
  EXPECT_EQ(runCli({"kelt", "battery", "--model", "12", "--port", sim.path()}).exitCode, 1);
}

TEST(CliKelt, FailuresAndRefusedValues) {
  const SimProcess bad({"kelt", "--bad-checksum=data"});
  CliRun run = cliKelt(bad, "read");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Ошибка контрольной суммы\n");

  const SimProcess sim({"kelt"});
  const auto before = cliKelt(sim, "read").json();
  auto j = before;
  j["pulseDuration"] = 1000;
  run = cliKelt(sim, "write", {"--parameters", writeTempFile("kelt_bad.json", j.dump())});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Недопустимое значение длительности импульса\n");
  EXPECT_EQ(cliKelt(sim, "read").json(), before);

  j = before;
  j["A"].erase(0);
  run = cliKelt(sim, "write", {"--parameters", writeTempFile("kelt_short.json", j.dump())});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "\"A\" должен содержать 5 чисел\n");
}

TEST(CliKelt, WrongUsageExitsWithTwo) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"kelt", "read", "--port", "ttyS0"},
        {"kelt", "read", "--model", "18", "--port", "ttyS0"},
        {"kelt", "write", "--model", "7", "--port", "ttyS0"}}) {
    EXPECT_EQ(runCli(args).exitCode, 2) << args.back();
  }
}

}  // namespace
