// How many of a book's chapter models a run keeps as read: a listing keeps
// them all within its budget; a command that may change the chapters keeps
// seven eighths, to stay further from six times the book's MIF.
#include "sim/kept_models.h"

#include <gtest/gtest.h>

#include "sim/client_commands.h"

namespace {

size_t KeptOf(bool mayChange, size_t chapters, size_t bytes) {
  KeptModels k = KeptModelsFor(mayChange);
  size_t kept = 0;
  for (size_t i = 0; i < chapters; ++i) kept += KeepModel(&k, bytes) ? 1 : 0;
  return kept;
}

TEST(KeptModelsTest, AChangingCommandKeepsSevenEighthsOfTheModelsAListingAllWithinItsBudget) {
  EXPECT_EQ(80u, KeptOf(false, 80, 200000));
  EXPECT_EQ(70u, KeptOf(true, 80, 200000));
  // A chapter of more than seven eighths of what was read so far waits its
  // turn: the first one.
  EXPECT_EQ(2u, KeptOf(true, 3, 200000));
  // 64 MB of MIF at most, whatever the command.
  EXPECT_EQ(64u, KeptOf(false, 100, size_t{1} << 20));
  EXPECT_EQ(64u, KeptOf(true, 400, size_t{1} << 20));
}

TEST(KeptModelsTest, OnlyACommandKnownToLeaveDocumentsAloneIsTakenForOneThatDoes) {
  EXPECT_FALSE(MayChangeDocuments("ListCharUsageBook"));
  EXPECT_FALSE(MayChangeDocuments("ListCharUsageBookByTag"));
  EXPECT_TRUE(MayChangeDocuments("DeleteUnusedCharsBook"));
  EXPECT_TRUE(MayChangeDocuments("List Character Usage"));  // a label: the menus are not read yet
  EXPECT_TRUE(MayChangeDocuments("7"));
}

}  // namespace
