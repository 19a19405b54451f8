// A plan read from arbitrary bytes: reading never reads out of bounds, and whatever plan it
// accepts keeps its promises (strictly rising cuts ending at each run's end) and reads back
// the same from its own JSON.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "planning/plan_json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const zen::PlanReading reading = zen::PlanFromJson(text);
  if (!reading.plan) return 0;
  for (const zen::PlanRun& run : reading.plan->runs) {
    int64_t previous = 0;
    for (const zen::PlanCut& cut : run.cuts) {
      if (cut.row <= previous || cut.row > run.Rows()) std::abort();
      previous = cut.row;
    }
    if (previous != run.Rows()) std::abort();
  }
  const std::string again = "{\"runs\": " + zen::PlanRunsJson(*reading.plan) + "}";
  const zen::PlanReading second = zen::PlanFromJson(again);
  if (!second.plan || zen::PlanRunsJson(*second.plan) != zen::PlanRunsJson(*reading.plan)) std::abort();
  return 0;
}
