#include "core/devices/kelt/keltthread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/devices/kelt/keltexamples.h"
#include "core/devices/kelt/keltmodels.h"
#include "support/simprocess.h"
#include "support/workerprobe.h"

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr milliseconds kTestPause{400};

// The worker against tdservice-sim: items are pushed, their notifications awaited and their
// slots consumed as the panel would.
class KeltThreadTest : public ::testing::Test {
 protected:
  struct Outcome {
    int word = -1;
    int type = 0;
    KeltCommon data;
    std::string message;
    bool adapterBusy = false;
  };

  // Starts a simulated transducer of `model` and opens the port at the model's speed.
  void attach(int model, std::vector<std::string> options = {}) {
    model_ = model;
    options.insert(options.begin(), {"kelt", "--model=" + std::to_string(model)});
    sim_ = std::make_unique<SimProcess>(options);
    comprt::ComPort::ComList::install({sim_->path()});
    KeltCommon open;
    open.command = 1;
    const auto task = keltModel(model).baudRate == 4800 ? KELT_OPEN_4800 : KELT_OPEN_9600;
    const auto opened = run(task, open);
    ASSERT_EQ(opened.word, 1) << opened.message;
  }

  void push(KeltTask type, const KeltCommon& data, uint32_t flags = 0) {
    thread_.nextItem().data = data;
    thread_.push(type, flags);
  }

  // The next result, in push order.
  Outcome await() {
    const auto result = probe_.await();
    return {result.word, result.item.type, result.item.data, result.item.message,
            keltAdapterBusy(result.item.failure)};
  }

  Outcome run(KeltTask type, const KeltCommon& data, uint32_t flags = 0) {
    push(type, data, flags);
    return await();
  }

  KeltCommon command(uint8_t code) const {
    KeltCommon data;
    data.command = code;
    data.model = model_;
    return data;
  }

  Outcome exchange(uint8_t code) { return run(KELT_EXCHANGE, command(code)); }

  std::unique_ptr<SimProcess> sim_;
  KeltThread thread_{kTestPause};
  WorkerProbe<KeltThread> probe_{thread_};
  int model_ = 0;
};

// Reads the device's block, writes it back with A1 changed and reads the change back.
TEST_F(KeltThreadTest, ReadsAndWritesEveryFormatOnItsLink) {
  for (int model : {0, 3, 7, 9, 12, 15}) {
    SCOPED_TRACE("model " + std::to_string(model));
    attach(model);
    const KeltModel& m = keltModel(model);
    auto read = exchange(m.readCommand);
    ASSERT_EQ(read.word, 1) << read.message;
    KeltCommon write = command(m.writeCommand);
    KeltCharacteristic* shown = nullptr;
    if (m.format <= 2) {
      write.params12 = read.data.params12;
      shown = &write.params12;
    } else if (m.format == 3) {
      write.params3 = read.data.params3;
      shown = &write.params3;
    } else {
      write.params4 = read.data.params4;
      EXPECT_EQ(write.params4.serialNumber, 1234);
      shown = &write.params4;
    }
    EXPECT_EQ(shown->duCode, 5);
    EXPECT_NEAR(shown->A[0], 0.5, 1e-4);
    EXPECT_NEAR(shown->B[0], 0.01, 1e-4);
    shown->A[0] = 0.7;
    const auto written = run(KELT_EXCHANGE, write);
    ASSERT_EQ(written.word, 1) << written.message;
    EXPECT_EQ(written.data.command, m.writeCommand);
    read = exchange(m.readCommand);
    ASSERT_EQ(read.word, 1) << read.message;
    const double a1 = m.format <= 2   ? read.data.params12.A[0]
                      : m.format == 3 ? read.data.params3.A[0]
                                      : read.data.params4.A[0];
    EXPECT_NEAR(a1, 0.7, 1e-4);
  }
}

// Version 3 devices take the write as command 26 with the counter unchanged and the checksum
// quirk, version 4 as command 25 with the counter one up; the simulator refuses anything else.
TEST_F(KeltThreadTest, Format3WritesFollowTheDeviceVersion) {
  for (const char* version : {"--version=3", "--version=4"}) {
    SCOPED_TRACE(version);
    attach(8, {version});
    const auto read = exchange(KELT_READ_3);
    ASSERT_EQ(read.word, 1) << read.message;
    for (int twice = 0; twice < 2; ++twice) {
      KeltCommon write = command(KELT_WRITE_3);
      write.params3 = read.data.params3;
      const auto written = run(KELT_EXCHANGE, write);
      EXPECT_EQ(written.word, 1) << written.message;
      EXPECT_EQ(written.data.command, KELT_WRITE_3);
    }
  }
}

// A parameter write reads the parameters back within the same item and compares the blocks.
TEST_F(KeltThreadTest, AWriteIsReadBackAndCompared) {
  const struct {
    int model;
    uint8_t command;
    std::vector<std::string> options;
    WriteCheckResult result;
    const char* firstField;  // of a mismatch
    const char* reason;      // of an unconfirmed write
  } cases[] = {
      {0, KELT_WRITE_1, {}, WriteCheckResult::verified, "", ""},
      {0, KELT_WRITE_1, {"--keep-wrong=0"}, WriteCheckResult::mismatch, "Делитель частоты", ""},
      {0,
       KELT_WRITE_1,
       {"--bad-checksum=data"},
       WriteCheckResult::unconfirmed,
       "",
       "Ошибка контрольной суммы"},
      {3, KELT_WRITE_2, {"--keep-wrong=2"}, WriteCheckResult::mismatch, "A1", ""},
      {3, KELT_WRITE_OFFSET, {}, WriteCheckResult::verified, "", ""},
      {3,
       KELT_WRITE_OFFSET,
       {"--keep-wrong=0"},
       WriteCheckResult::mismatch,
       "Смещение температуры, °C",
       ""},
      {7, KELT_WRITE_3, {}, WriteCheckResult::verified, "", ""},
      {7, KELT_WRITE_3, {"--version=3", "--keep-wrong=0"}, WriteCheckResult::mismatch, "A1", ""},
      {9, KELT_WRITE_3, {"--keep-wrong=25"}, WriteCheckResult::mismatch, "F12", ""},
      {12, KELT_WRITE_4, {}, WriteCheckResult::verified, "", ""},
      {12,
       KELT_WRITE_4,
       {"--bad-checksum=data"},
       WriteCheckResult::unconfirmed,
       "",
       "Ошибка контрольной суммы"},
      {15, KELT_WRITE_4, {"--keep-wrong=10"}, WriteCheckResult::mismatch, "B1", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.model) + " " + std::to_string(c.command) + " " +
                 (c.options.empty() ? "" : c.options.back()));
    attach(c.model, c.options);
    KeltCommon data = command(c.command);
    data.params12 = keltexamples::example12();
    data.params3 = keltexamples::example3();
    data.params4 = keltexamples::example4();
    data.params4.weightCode = 2;  // as the simulated device holds it
    data.params4.pulseDuration = 3.8;
    data.offset = -4;
    const auto got = run(KELT_EXCHANGE, data);
    ASSERT_EQ(got.word, 1) << got.message;
    ASSERT_TRUE(got.data.check);
    EXPECT_EQ(got.data.check->result, c.result);
    EXPECT_EQ(got.data.check->fields.empty() ? "" : got.data.check->fields[0].name, c.firstField);
    EXPECT_EQ(got.data.check->reason, c.reason);
  }
}

TEST_F(KeltThreadTest, AReadCarriesNoCheck) {
  attach(7);
  KeltCommon stale = command(KELT_READ_3);
  stale.check = WriteCheck{};
  EXPECT_FALSE(run(KELT_EXCHANGE, stale).data.check);
}

TEST_F(KeltThreadTest, AdapterRestrictions) {
  const struct {
    int model;
    const char* option;
    uint8_t command;
    const char* message;  // nullptr: succeeds
  } cases[] = {
      {0, "--first-issue", KELT_READ_1, nullptr},
      {0, "--first-issue", KELT_WRITE_1, nullptr},
      {3, "--first-issue", KELT_READ_2, "Адаптер поддерживает только КЕЛТ-ЧИ7-xxx"},
      {7, "--first-issue", KELT_MEASURE, "Адаптер поддерживает только КЕЛТ-ЧИ7-xxx"},
      {3, "--first-issue", KELT_BATTERY, nullptr},
      {3, "--first-issue", KELT_COUPLING, nullptr},
      {3, "--first-issue", KELT_LEVEL_0 + 2, nullptr},
      {7, "--adapter-version=1", KELT_READ_3, "Адаптер не поддерживает КЕЛТ1(2)-ЧИ7.73-xxx"},
      {7, "--adapter-version=1", KELT_MEASURE, "Адаптер не поддерживает КЕЛТ1(2)-ЧИ7.73-xxx"},
      {7, "--adapter-version=1", KELT_BATTERY, nullptr},
      {3, "--version=1", KELT_READ_2, "Неправильный тип КЕЛТ"},
      {0, "--version=2", KELT_READ_1, "Неправильный тип КЕЛТ"},
      {7, "--version=5", KELT_READ_3, "Неправильный тип КЕЛТ"},
      {7, "--version=7", KELT_READ_3, "Неизвестная версия прибора"},
      {7, "--version=0", KELT_READ_3, "Неизвестная версия прибора"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.model) + " " + c.option + " " + std::to_string(c.command));
    attach(c.model, {c.option});
    KeltCommon data = command(c.command);
    if (c.command == KELT_WRITE_1) {
      data.params12 = exchange(KELT_READ_1).data.params12;
    }
    const auto got = run(KELT_EXCHANGE, data);
    if (c.message) {
      EXPECT_EQ(got.word, 0);
      EXPECT_EQ(got.message, c.message);
    } else {
      EXPECT_EQ(got.word, 1) << got.message;
    }
  }
}

TEST_F(KeltThreadTest, DirectLinkVersionMustMatchTheModel) {
  const struct {
    int model;
    const char* version;
    const char* message;
  } cases[] = {
      {11, "--version=5", "Неправильный тип прибора"},
      {11, "--version=6", nullptr},
      {10, "--version=5", nullptr},
      {9, "--version=7", "Неправильный тип прибора"},
      {13, "--version=6", "Неправильный тип прибора"},
      {14, "--version=8", nullptr},
      {12, "--version=9", "Неизвестная версия прибора"},
      {9, "--version=4", "Неизвестная версия прибора"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.model) + " " + c.version);
    attach(c.model, {c.version});
    const auto got = exchange(keltModel(c.model).readCommand);
    if (c.message) {
      EXPECT_EQ(got.word, 0);
      EXPECT_EQ(got.message, c.message);
    } else {
      EXPECT_EQ(got.word, 1) << got.message;
    }
  }
}

TEST_F(KeltThreadTest, SingleValuesAndMeasurements) {
  attach(3);
  EXPECT_EQ(exchange(KELT_BATTERY).data.value, 3);
  EXPECT_EQ(exchange(KELT_TEMPERATURE).data.value, 46);
  EXPECT_EQ(exchange(KELT_READ_OFFSET).data.offset, 2);
  KeltCommon offset = command(KELT_WRITE_OFFSET);
  offset.offset = -4;
  ASSERT_EQ(run(KELT_EXCHANGE, offset).word, 1);
  EXPECT_EQ(exchange(KELT_READ_OFFSET).data.offset, -4);

  for (int model : {7, 10}) {
    attach(model);
    const auto got = exchange(KELT_MEASURE);
    ASSERT_EQ(got.word, 1) << got.message;
    EXPECT_DOUBLE_EQ(got.data.measurement.temperature, 22.5);
    EXPECT_EQ(got.data.measurement.status, 1);
    EXPECT_DOUBLE_EQ(got.data.measurement.frequency, 32768.0 / 328);
  }
  attach(16);  // direct temperature: a break, then 600 ms before the echo
  const auto got = exchange(KELT_TEMPERATURE);
  ASSERT_EQ(got.word, 1) << got.message;
  EXPECT_EQ(got.data.value, 46);
}

TEST_F(KeltThreadTest, OffsetReadRunsOnlyAfterASuccessfulParameterRead) {
  attach(3);
  push(KELT_EXCHANGE, command(KELT_READ_2));
  push(KELT_EXCHANGE, command(KELT_READ_OFFSET), QF_ALWAYS | QF_AFTER_SUCCESS);
  EXPECT_EQ(await().word, 1);
  const auto offset = await();
  EXPECT_EQ(offset.type, KELT_EXCHANGE);
  EXPECT_EQ(offset.data.offset, 2);

  attach(3, {"--silent"});
  push(KELT_EXCHANGE, command(KELT_READ_2));
  push(KELT_EXCHANGE, command(KELT_READ_OFFSET), QF_ALWAYS | QF_AFTER_SUCCESS);
  const auto failed = await();
  EXPECT_EQ(failed.word, 0);
  EXPECT_EQ(failed.message, "Прибор не отвечает");
  const auto skipped = await();
  EXPECT_EQ(skipped.word, 1);
  EXPECT_EQ(skipped.type, -1);
}

TEST_F(KeltThreadTest, AutoTuningStopsAtTheFirstGoodLevel) {
  const struct {
    const char* coupling;
    uint8_t command;  // the threshold command it ends on
    uint8_t value;
  } cases[] = {
      {"--coupling=90,50,20,10", KELT_LEVEL_0 + 1, 50},
      {"--coupling=90,50,80,10", KELT_LEVEL_0 + 2, 80},
      {"--coupling=5,24,81,200", KELT_LEVEL_0, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.coupling);
    attach(7, {c.coupling});
    const auto got = run(KELT_AUTOTUNE, command(0));
    ASSERT_EQ(got.word, 1) << got.message;
    EXPECT_EQ(got.data.command, c.command);
    EXPECT_EQ(got.data.value, c.value);
    EXPECT_EQ(got.data.model, 0);
    EXPECT_EQ(exchange(KELT_COUPLING).data.value, c.value);  // the level stays set
  }
}

TEST_F(KeltThreadTest, ABusyAdapterGivesTheBusyErrorAndThePauseHoldsTheNextCommand) {
  attach(7, {"--busy=1"});
  const auto busy = exchange(KELT_READ_3);
  EXPECT_EQ(busy.word, 0);
  EXPECT_TRUE(busy.adapterBusy);
  EXPECT_EQ(busy.message, "Ошибка обмена. Подождите 12 секунд");
  const auto start = Clock::now();
  push(KELT_PAUSE, command(0), QF_ALWAYS);
  push(KELT_EXCHANGE, command(KELT_READ_3), QF_ALWAYS);
  EXPECT_EQ(await().word, 1);
  const auto read = await();
  const auto waited = Clock::now() - start;
  EXPECT_EQ(read.word, 1) << read.message;
  EXPECT_GE(waited, kTestPause);
  EXPECT_LT(waited, kTestPause + std::chrono::seconds(5));
}

TEST_F(KeltThreadTest, LineFaultsBecomeTheSlotsMessage) {
  const struct {
    int model;
    const char* option;
    uint8_t command;
    const char* message;
  } cases[] = {
      {7, "--silent", KELT_READ_3, "Прибор не отвечает"},
      {12, "--silent", KELT_READ_4, "Прибор не отвечает"},
      {7, "--bad-checksum=version", KELT_READ_3, "Ошибка контрольной суммы"},
      {7, "--bad-checksum=data", KELT_READ_3, "Ошибка контрольной суммы"},
      {1, "--bad-checksum=data", KELT_BATTERY, "Ошибка контрольной суммы"},
      {9, "--bad-checksum=data", KELT_MEASURE, "Ошибка контрольной суммы"},
      {13, "--bad-checksum=version", KELT_READ_4, "Ошибка контрольной суммы"},
      {0, "--bad-echo", KELT_WRITE_1, "Ошибка обмена"},
      {12, "--bad-echo", KELT_WRITE_4, "Ошибка обмена"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.model) + " " + c.option + " " + std::to_string(c.command));
    attach(c.model, {c.option});
    KeltCommon data = command(c.command);
    data.params12.duCode = data.params3.duCode = data.params4.duCode = 5;
    for (auto* p : {static_cast<KeltCharacteristic*>(&data.params12),
                    static_cast<KeltCharacteristic*>(&data.params3),
                    static_cast<KeltCharacteristic*>(&data.params4)}) {
      for (int i = 0; i < 5; ++i) p->A[i] = 0.5;
      for (double& f : p->F) f = 100;
    }
    data.params4.pulseDuration = 1.9;
    const auto got = run(KELT_EXCHANGE, data);
    EXPECT_EQ(got.word, 0);
    EXPECT_EQ(got.message, c.message);
    EXPECT_FALSE(got.adapterBusy);
  }
}

TEST_F(KeltThreadTest, AnUncodableWriteSendsNothing) {
  attach(7, {"--busy=1"});  // anything sent would meet the busy answer
  KeltCommon data = command(KELT_WRITE_3);
  data.params3.F[0] = 0.5;
  const auto refused = run(KELT_EXCHANGE, data);
  EXPECT_EQ(refused.word, 0);
  EXPECT_EQ(refused.message, "Недопустимое значение F12");
  EXPECT_FALSE(refused.adapterBusy);
  EXPECT_TRUE(exchange(KELT_READ_3).adapterBusy);  // the busy answer was still waiting
}

TEST_F(KeltThreadTest, PortIndexZeroClosesTheLine) {
  attach(7);
  KeltCommon close;
  EXPECT_EQ(run(KELT_OPEN_9600, close).word, 1);
  for (KeltTask task : {KELT_EXCHANGE, KELT_RESET}) {
    const auto got = run(task, command(KELT_READ_3));
    EXPECT_EQ(got.word, 0);
    EXPECT_EQ(got.message, "COM-порт не открыт");
  }
}

}  // namespace
