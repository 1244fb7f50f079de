// The ring of a component's last calls: what it keeps and in which order, as
// the one trace line that shows it after a child's death.
#include "remote/call_ring.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

const char kCalls[][8] = {"c0",  "c1",  "c2",  "c3",  "c4",  "c5",  "c6",  "c7",  "c8",  "c9",
                          "c10", "c11", "c12", "c13", "c14", "c15", "c16", "c17", "c18", "c19"};

// What describe() says without the times.
std::string withoutTimes(const Remote::CallRing& ring) {
  return std::regex_replace(ring.describe(Remote::CallRing::Clock::now()),
                            std::regex(" \\([0-9]+ ms ago\\)"), "");
}

TEST(CallRing, KeepsTheNewestCallsOldestFirstAndCountsRepeats) {
  const struct {
    std::vector<int> calls; // indexes into kCalls; a negative one fails c0
    std::string described;
  } cases[] = {
      {{}, ""},
      {{0, 0, 0}, "c0 QX_OK x3"},
      {{0, -1, -1, 0}, "c0 QX_OK, c0 QX_ERR_REMOTE x2, c0 QX_OK"},
      // Sixteen entries fill the ring; the seventeenth goes over the oldest,
      // and the ring goes round more than once.
      {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
       "c0 QX_OK, c1 QX_OK, c2 QX_OK, c3 QX_OK, c4 QX_OK, c5 QX_OK, c6 QX_OK, c7 QX_OK, c8 QX_OK, "
       "c9 QX_OK, c10 QX_OK, c11 QX_OK, c12 QX_OK, c13 QX_OK, c14 QX_OK, c15 QX_OK"},
      {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 16, 17, 18, 19, 0, 1, 2, 3, 4,
        5, 6, 7, 8},
       "c13 QX_OK, c14 QX_OK, c15 QX_OK, c16 QX_OK x2, c17 QX_OK, c18 QX_OK, c19 QX_OK, c0 QX_OK, "
       "c1 QX_OK, c2 QX_OK, c3 QX_OK, c4 QX_OK, c5 QX_OK, c6 QX_OK, c7 QX_OK, c8 QX_OK"},
  };
  for (const auto& test : cases) {
    Remote::CallRing ring;
    for (int call : test.calls)
      ring.note(kCalls[call < 0 ? 0 : call], call < 0 ? QX_ERR_REMOTE : QX_OK);
    EXPECT_EQ(withoutTimes(ring), test.described) << ::testing::PrintToString(test.calls);
  }
}

} // namespace
