// Whether a library is loaded, told from the loaded objects alone: the XML
// service of a child starts early only when the module brought the parser.
#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

namespace {

struct LoadedCase {
  const char* label;
  const char* file;
  bool loaded;
};

class LoadedLibrary : public testing::TestWithParam<LoadedCase> {};

TEST_P(LoadedLibrary, AnswersFromTheLastPartOfEachLoadedPath) {
  EXPECT_EQ(quex::platform::isLoaded(GetParam().file), GetParam().loaded) << GetParam().file;
}

INSTANTIATE_TEST_SUITE_P(
    Names, LoadedLibrary,
    testing::Values(LoadedCase{"CLibrary", "libc.so.6", true}, // every program has it
                    LoadedCase{"EndOfAName", "c.so.6", false},
                    LoadedCase{"StartOfAName", "libc.so", false},
                    LoadedCase{"Absent", "libquex-absent.so.9", false},
                    LoadedCase{"Empty", "", false}), // the program itself has no name
    [](const testing::TestParamInfo<LoadedCase>& info) { return info.param.label; });

} // namespace
