// A clock for the runs that the test moves: each reading advances it by
// `tick`. A tick of kRunPace makes every check of a run due, as on a slow
// machine; no tick keeps all but the first waiting.
#pragma once

#include <chrono>

#include "run_progress.h"

namespace fakes {

struct FakeClock {
  std::chrono::steady_clock::time_point now{};
  std::chrono::steady_clock::duration tick{};
  pindrel::RunClock Reader() {
    return [this] {
      auto t = now;
      now += tick;
      return t;
    };
  }
};

}  // namespace fakes
