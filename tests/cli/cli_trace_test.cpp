// tdservice-cli --trace: every frame of a device command in the monitor's text form.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/clirun.h"
#include "support/simprocess.h"

namespace {

std::vector<std::string> lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The columns after the time: port, family, direction, bytes, meaning, check (latency varies).
std::string fixedColumns(const std::string& line) {
  const auto from = line.find('\t') + 1;
  return line.substr(from, line.rfind('\t') - from);
}

TEST(CliTrace, WritesEveryFrameOfTheCommand) {
  const SimProcess sim({"td"});
  const std::string trace = writeTempFile("trace.txt", "прежнее содержимое\n");
  const CliRun run = runCli({"td", "read", "--port", sim.path(), "--trace", trace});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto got = lines(trace);
  ASSERT_GE(got.size(), 3u);
  EXPECT_EQ(got[0], "Время\tПорт\tПрибор\tНаправление\tБайты\tСмысл\tПроверка\tЗадержка, мс");
  EXPECT_EQ(fixedColumns(got[1]),
            sim.path() + "\tТД\t→ прибор\t00 41 00 41 90\tA 0 системные параметры, адрес 0\tнорма");
  EXPECT_NE(
      fixedColumns(got[2]).find("\tТД\t← прибор\t01 41 00 5A A5 03 06 4E 61 BC 00 06 85 6A\t"),
      std::string::npos)
      << got[2];
  // Six reads, each a request and its reply.
  EXPECT_EQ(got.size(), 1u + 2 * 6);
  for (std::size_t i = 1; i < got.size(); ++i)
    EXPECT_NE(got[i].find("\tнорма\t"), std::string::npos);
}

TEST(CliTrace, ShowsTheReplyThatFailedItsCheck) {
  const SimProcess sim({"td", "--bad-crc"});
  const std::string trace = writeTempFile("trace-bad.txt", "");
  const CliRun run = runCli({"td", "read", "--port", sim.path(), "--trace", trace});
  EXPECT_EQ(run.exitCode, 1);
  const auto got = lines(trace);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_NE(got[2].find("\tошибка: CRC 6B85, ожидалась 6A85\t"), std::string::npos) << got[2];
}

TEST(CliTrace, AFileThatCannotBeWrittenIsAFailure) {
  const SimProcess sim({"td"});
  const CliRun run =
      runCli({"td", "read", "--port", sim.path(), "--trace", "/nonexistent-folder/trace.txt"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Не удалось открыть файл трассировки"), std::string::npos) << run.err;
  EXPECT_EQ(runCli({"td", "read", "--port", sim.path(), "--trace"}).exitCode, 2);
}

}  // namespace
