// The JSON of `show` is written a piece at a time; it must be the very text the library's dump
// gives for the whole tree, which the other commands print.

#include "jsonstream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "clijson.h"
#include "core/document/document.h"
#include "core/package/approxstate.h"
#include "core/package/package.h"
#include "core/storage/docfixtures.h"
#include "core/storage/fakedevice.h"
#include "core/storage/files.h"

using nlohmann::json;

namespace {

std::string dumped(const json& v) { return v.dump(2, ' ', false, json::error_handler_t::replace); }

// Writes `v` through the stream's own pieces: containers opened and closed, scalars one by one.
void writePiecewise(JsonStream& out, const json& v) {
  switch (v.type()) {
    case json::value_t::array:
      out.beginArray();
      for (const json& element : v) writePiecewise(out, element);
      out.endArray();
      break;
    case json::value_t::object:
      out.beginObject();
      for (auto it = v.begin(); it != v.end(); ++it) {
        out.key(it.key());
        writePiecewise(out, it.value());
      }
      out.endObject();
      break;
    case json::value_t::string:
      out.string(v.get_ref<const std::string&>());
      break;
    case json::value_t::number_float:
      out.number(v.get<double>());
      break;
    case json::value_t::number_integer:
      out.integer(v.get<long long>());
      break;
    default:
      out.value(v);
  }
}

template <class Write>
std::string streamed(Write write) {
  std::ostringstream text;
  JsonStream out(text);
  write(out);
  out.flush();
  return text.str();
}

TEST(JsonStream, WritesWhatDumpWritesWhateverThePieces) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<json> cases = {
      json(),
      json(true),
      json(0.0),
      json(-0.0),
      json(10.0),
      json(0.1),
      json(1e300),
      json(-2.5e-8),
      json(nan),
      json(-inf),
      json(-42),
      json(std::numeric_limits<long long>::min()),
      json(uint8_t{255}),
      json("plain"),
      json("кириллица"),
      json("back\\slash"),
      json("say \"yes\""),
      json("tab\there"),
      json("line\nend"),
      json("bell \x07 del \x7f"),
      json("bad \xff\xfe utf-8 \xd0"),
      json::array(),
      json::object(),
      json{{"a", json::array()}, {"b", json::object()}, {"c", {1, 2.5, "x"}}},
      json{{"outer", {{{"inner", {{"deep", {json::array(), json::object(), nullptr}}}}}, 7}}},
      json{{"\xff", 1}, {"ключ", "значение"}},
      // Longer than the block the stream holds, plain and with text to escape.
      json(std::string(300'000, 'x')),
      json(std::string(150'000, 'x') + "\"" + std::string(150'000, 'y')),
      // Deeper than the prepared indents.
      [] {
        json deep = 1;
        for (int i = 0; i < 80; ++i) deep = json::array({deep});
        return deep;
      }(),
  };
  for (const json& v : cases) {
    SCOPED_TRACE(v.dump(-1, ' ', false, json::error_handler_t::replace));
    const std::string expected = dumped(v);
    EXPECT_EQ(streamed([&](JsonStream& out) { out.value(v); }), expected);
    EXPECT_EQ(streamed([&](JsonStream& out) { writePiecewise(out, v); }), expected);
    // The same value as an element among others, and as the value of a member.
    const json list = {1, v, json::array({v}), "end"};
    EXPECT_EQ(streamed([&](JsonStream& out) { writePiecewise(out, list); }), dumped(list));
    const json object = {{"k", v}, {"z", {{"y", v}}}};
    EXPECT_EQ(streamed([&](JsonStream& out) { writePiecewise(out, object); }), dumped(object));
  }
}

TEST(JsonStream, MemberTakesItsSortedPlaceAmongTheOthers) {
  const json members = {{"b", 1}, {"d", {{"x", 2}}}, {"ж", "3"}};
  for (const std::string name : {"a", "c", "e", "B", "я", "d0"}) {
    SCOPED_TRACE(name);
    json whole = members;
    whole[name] = {{"list", {1, 2}}, {"empty", json::array()}};
    EXPECT_EQ(streamed([&](JsonStream& out) {
                out.objectWith(members, name, [&] { writePiecewise(out, whole[name]); });
              }),
              dumped(whole));
  }
  EXPECT_EQ(streamed([&](JsonStream& out) {
              out.objectWith(json::object(), "only", [&] { out.integer(1); });
            }),
            dumped({{"only", 1}}));
}

// Documents as show prints them: the streamed text against the tree the other commands build.
class ShowJson : public ::testing::Test {
 protected:
  void SetUp() override { resetApproxState(); }
  void TearDown() override { resetApproxState(); }

  void read(const fixtures::Document& d) {
    std::istringstream in(fixtures::documentBytes(d));
    files::readDocument(in, doc_, devices_.factory());
  }

  json head() const {
    return {{"fileVersion", 5},
            {"name", "КЕЛТ \xff"},
            {"settings", settingsJson(apprSettings())},
            {"lines", linesJson(currentLines())}};
  }

  std::string tree(int hidden) const {
    json whole = head();
    whole["packages"] = json::array();
    for (const PackagePtr& p : doc_.packages) whole["packages"].push_back(packageJson(*p, hidden));
    return dumped(whole) + "\n";
  }

  std::string stream(int hidden) const {
    std::ostringstream out;
    writeJsonWithPackages(out, head(), doc_.packages, [&](const PackageBase&) { return hidden; });
    return out.str();
  }

  FakeDeviceFactory devices_;
  Document doc_;
};

TEST_F(ShowJson, StreamedDocumentIsTheTreesDump) {
  fixtures::Document noPackages = fixtures::zorbDocument();
  noPackages.packages.clear();
  fixtures::Document unusual = fixtures::keltDocument();  // also holds a package without entries
  unusual.packages[0].entries[0].temperature = std::numeric_limits<double>::quiet_NaN();
  unusual.packages[0].entries[1].refTime = std::numeric_limits<double>::infinity();
  unusual.packages[0].entries[2].refQuantity = -1e-300;
  // Longer than the block the stream holds before it writes.
  fixtures::Document large = fixtures::tdDocument();
  large.packages.push_back(large.packages[0]);
  large.packages[1].entries.resize(400, large.packages[0].entries[1]);
  const struct {
    const char* name;
    fixtures::Document document;
  } cases[] = {{"td", fixtures::tdDocument()},     {"zorb", fixtures::zorbDocument()},
               {"kelt", fixtures::keltDocument()}, {"no packages", noPackages},
               {"unusual values", unusual},        {"large", large}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    read(c.document);
    for (const int hidden : {0, 2}) {
      const std::string expected = tree(hidden);
      EXPECT_EQ(stream(hidden), expected) << "hidden columns: " << hidden;
      EXPECT_EQ(json::parse(expected)["packages"].size(), c.document.packages.size());
    }
  }
}

}  // namespace
