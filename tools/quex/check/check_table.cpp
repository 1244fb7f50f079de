#include "check.h"

namespace quex::check {

const std::vector<Check>& allChecks() {
  static const std::vector<Check> checks = [] {
    std::vector<Check> all;
    for (auto group : {loadChecks, initialiseChecks, textChecks, lifecycleChecks, recordChecks,
                       cancelChecks, resourceChecks, threadChecks, secrecyChecks}) {
      std::vector<Check> some = group();
      all.insert(all.end(), some.begin(), some.end());
    }
    return all;
  }();
  return checks;
}

} // namespace quex::check
