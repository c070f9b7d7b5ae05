#include "core/package/celltext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/package/packagefixture.h"

TEST(CellText, RealFormatting) {
  struct Case {
    double v;
    int digits;
    char sep;
    const char* text;
  };
  const Case cases[] = {
      {1.5, 3, '.', "1.500"},
      {1.5, 3, ',', "1,500"},
      {-2.345, 2, '.', "-2.35"},
      {-0.001, 2, '.', "0.00"},  // no negative zero
      {100, 2, '.', "100.00"},
      {12345678.123456789, 7, '.', "12345678.1234568"},  // 15 significant digits
      {1.5e20, 3, ',', "1,5E+20"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatReal(c.v, c.digits, c.sep), c.text) << c.v;
}

// The cell texts were always printf's: rounded by "%.14e", then written by "%.*f".
std::string printfReal(double v, int digits) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.14e", v);
  const double rounded = std::strtod(buf, nullptr);
  if (std::fabs(rounded) >= 1e15) return "";
  std::snprintf(buf, sizeof buf, "%.*f", digits, rounded);
  std::string s = buf;
  if (s[0] == '-' && s.find_first_of("123456789") == std::string::npos) s.erase(0, 1);
  return s;
}

TEST(CellText, RealFormattingWritesWhatPrintfWrote) {
  // Random values over every magnitude a cell meets, exact binary halves (where rounding to even
  // and away from zero part) and values just beside them.
  std::mt19937_64 random(5);
  std::vector<double> values = {0.125, 0.375, 2.5, -0.0625, 1e-300, 999999999999999.0, 0.005};
  for (int i = 0; i < 20000; ++i) {
    const double v = std::ldexp(double(random() >> 11), int(random() % 100) - 103);
    values.push_back(random() % 2 ? v : -v);
  }
  // Decimal values as typed in, and halves between them that only the binary value decides.
  for (int i = 0; i < 20000; ++i) {
    const double scale = std::pow(10.0, int(random() % 9));
    const double n = double(random() % 100'000'000);
    values.push_back((i % 2 ? n : n + 0.5) / scale);
  }
  for (double v : std::vector<double>(values)) values.push_back(std::nextafter(v, 1e300));
  for (double v : values)
    for (int digits = 0; digits <= 12; ++digits) {
      const std::string expected = printfReal(v, digits);
      if (expected.empty()) continue;
      ASSERT_EQ(formatReal(v, digits, '.'), expected) << v << " " << digits;
    }
}

TEST(CellText, DecimalInputWithEitherSeparator) {
  for (char sep : {'.', ','}) {
    SCOPED_TRACE(sep);
    for (const char* text : {"1.5", "1,5", " 1,5 ", "+1.5"})
      EXPECT_DOUBLE_EQ(parseReal(withDecimalSeparator(text, sep), sep), 1.5) << text;
    EXPECT_DOUBLE_EQ(parseReal(withDecimalSeparator("-2,5e3", sep), sep), -2500);
    for (const char* text : {"1,5,2", "1.5.2", "1,5.2", "", "abc", "1e", "inf", "nan", "1e999"})
      EXPECT_THROW(parseReal(withDecimalSeparator(text, sep), sep), ConvertError) << text;
  }
  EXPECT_EQ(parseInteger("-42"), -42);
  for (const char* text : {"4.5", "12a", "", "2147483648"})
    EXPECT_THROW(parseInteger(text), ConvertError) << text;
}

class PackageCellTest : public PackageTest {};

TEST_F(PackageCellTest, CellsFormatAndParseByColumnType) {
  Package<KeltEntry> p;  // calibration, volume: 17, 0, 15, 1, 3, 4, 5, 6, 7, 8, 10, 11, 16
  p.addEntry();
  enum { cOff = 0, cPoint = 1, cTemp = 3, cVolume = 4, cPulses1 = 8 };

  for (char sep : {'.', ','}) {
    LocaleHook hook = defaultLocaleHook();
    hook.decimalSeparator = sep;
    setLocaleHook(hook);
    p.setCellText(0, cVolume, "1.5");
    EXPECT_EQ(p.entries()[0].refVolume, 1.5);
    p.setCellText(0, cVolume, "2,25");
    EXPECT_EQ(p.entries()[0].refVolume, 2.25);
    EXPECT_EQ(p.cellText(0, cVolume), std::string("2") + sep + "250");
    EXPECT_THROW(p.setCellText(0, cVolume, "1,5,2"), ConvertError);
    EXPECT_EQ(p.entries()[0].refVolume, 2.25);
  }

  p.setCellText(0, cPulses1, "120");
  EXPECT_EQ(p.entries()[0].pulses1, 120);
  EXPECT_EQ(p.cellText(0, cPulses1), "120");
  EXPECT_THROW(p.setCellText(0, cPulses1, "12,5"), ConvertError);
  EXPECT_EQ(p.entries()[0].pulses1, 120);

  // Flags: text "*" / "-", typed text ignored, check state through the flag interface.
  EXPECT_EQ(p.cellText(0, cPoint), "-");
  p.setCellText(0, cPoint, "*");
  EXPECT_FALSE(p.cellChecked(0, cPoint));
  p.setCellChecked(0, cOff, true);
  EXPECT_EQ(p.entries()[0].switchedOff, 1);
  EXPECT_EQ(p.cellText(0, cOff), "*");

  // setCellText does not recalculate.
  const double refFlow = p.entries()[0].refFlow;
  p.setCellText(0, cTemp, "40");
  p.setCellText(0, cVolume, "100");
  EXPECT_EQ(p.entries()[0].refFlow, refFlow);
}

TEST_F(PackageCellTest, ValueAccessByColumnId) {
  Package<ZorbEntry> p;
  p.addEntry();
  FieldValue v = 7.0;
  EXPECT_FALSE(p.value(0, colSection, v));  // ZORB entries have no section
  EXPECT_EQ(std::get<double>(v), 7.0);
  p.setValue(0, colCode, 3.0);      // ignored
  p.setValue(0, colPulses2, 12.0);  // converted to the field's type
  ASSERT_TRUE(p.value(0, colPulses2, v));
  EXPECT_EQ(std::get<int32_t>(v), 12);
  p.setValue(0, colPulses2, 1e12);  // out of the field's range: ignored
  EXPECT_EQ(p.entries()[0].pulses2, 12);
  p.setValue(0, colSwitchedOff, int32_t{5});
  EXPECT_EQ(p.entries()[0].switchedOff, 1);
}

TEST_F(PackageCellTest, PackageNameInTheUsersFormats) {
  Package<EprEntry> p;
  p.created = SystemTime{2024, 3, 5, 8, 9, 7, 33, 0};
  EXPECT_EQ(p.name(), "Градуировочный 08.03.2024 09:07");
  p.kind = pkVerification;
  EXPECT_EQ(p.name(), "Поверочный 08.03.2024 09:07");

  p.created.month = 13;  // not a date
  EXPECT_EQ(p.name(), "Поверочный ---");

  p.created.month = 3;
  LocaleHook hook = defaultLocaleHook();
  hook.formatTime = [](const SystemTime&) -> std::string { throw std::runtime_error("no"); };
  setLocaleHook(hook);
  EXPECT_EQ(p.name(), "Поверочный ---");
}
