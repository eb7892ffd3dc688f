// How a long run (an export, an import) reports to the window that shows
// it: what to show, when to let the window system work, and whether the
// user asked it to stop. The run decides how often, by a clock it is given.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "desktop.h"
#include "form.h"

namespace pindrel {

using RunClock = std::function<std::chrono::steady_clock::time_point()>;

inline RunClock SteadyClock() {
  return [] { return std::chrono::steady_clock::now(); };
}

// Repainting labels and pumping messages per contact cost more than the
// contact itself; a window that answers every 50 ms still feels immediate.
inline constexpr std::chrono::milliseconds kRunPace{50};

// Due at its first check, then once kRunPace has passed since it was last
// due: the first contact shows at once, later ones at the pace.
class RunPacer {
 public:
  explicit RunPacer(RunClock clock) : clock_(std::move(clock)) {}
  bool Due() {
    const auto now = clock_();
    if (last_ && now - *last_ < kRunPace) return false;
    last_ = now;
    return true;
  }

 private:
  RunClock clock_;
  std::optional<std::chrono::steady_clock::time_point> last_;
};

// The one-run-at-a-time rule, and the stop a close request asks for.
class RunGate {
 public:
  bool running() const { return running_; }
  // Whether the latest run was asked to stop; kept after it ends, so the
  // window can still close when the run ended early for another reason.
  bool stop_requested() const { return stop_; }
  // During a run: it stops after the contact it is on. False when no run
  // goes on.
  bool RequestStop() {
    if (running_) stop_ = true;
    return running_;
  }

 protected:
  // Marks a run as going on for its scope.
  class Running {
   public:
    explicit Running(RunGate& gate) : gate_(gate) {
      gate_.running_ = true;
      gate_.stop_ = false;
    }
    ~Running() { gate_.running_ = false; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

   private:
    RunGate& gate_;
  };

 private:
  bool running_ = false;
  bool stop_ = false;
};

// What a window does for a run that shows `Status`.
template <class Status>
class RunProgress {
 public:
  virtual ~RunProgress() = default;
  // Shows the run's state; at the pace, and always once more at its end.
  virtual void Show(const Status& status) = 0;
  // Lets the window system work; false when the window has gone (the
  // program is ending), and the run then ends with nobody to tell.
  virtual bool DoEvents() = 0;
};

// The part of a window's progress every window shares: the window system
// works, and a window that has gone ends the run.
template <class Progress>
class FormProgress : public Progress {
 public:
  FormProgress(ui::Form& form, ui::Desktop& desktop) : form_(form), desktop_(desktop) {}
  bool DoEvents() override {
    desktop_.DoEvents();
    return form_.IsOpen();
  }

 protected:
  ui::Form& form_;
  ui::Desktop& desktop_;
};

// How far a run has got, as the windows show it: "3/10".
inline std::wstring ProgressText(long done, long of) { return std::to_wstring(done) + L"/" + std::to_wstring(of); }

}  // namespace pindrel
