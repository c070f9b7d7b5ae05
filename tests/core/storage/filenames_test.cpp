#include "core/storage/filenames.h"

#include <gtest/gtest.h>

TEST(FileNamesTest, FirstArgumentThatIsNotAnOptionNamesTheDocument) {
  struct Case {
    std::vector<std::string> args;
    std::optional<std::string> document;
  } cases[] = {
      {{"tdservice"}, std::nullopt},
      {{"tdservice", "-style", "fusion"}, "fusion"},  // options take no values of their own
      {{"tdservice", "-x", "a.srv", "b.srv"}, "a.srv"},
      {{"tdservice", "--", "-a.srv"}, std::nullopt},
      {{"tdservice", "a.srv", "-x"}, "a.srv"},
  };
  for (const Case& c : cases) EXPECT_EQ(firstDocumentArgument(c.args), c.document);
}

TEST(FileNamesTest, ProposedNameHoldsDiameterAndSerial) {
  EXPECT_EQ(proposedFileName("ЗОРБ-Т", {1234, 5}), "ЗОРБ-Т Ду50 N00001234");
  EXPECT_EQ(proposedFileName("ЗОРБ-Т", {12345678, 5}), "ЗОРБ-Т Ду50 N012345678");
  EXPECT_EQ(proposedFileName("ЗОРБ-Т", {12345678, 8}), "ЗОРБ-Т Ду100 N12345678");
  EXPECT_EQ(proposedFileName("TD 1/2", {0, 11}), "TD 1_2 Ду200 N00000000");
}
