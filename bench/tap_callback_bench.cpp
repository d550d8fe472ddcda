// Cost of the event-tap callback per event over a typing session and an armed dictation session.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "helper/core/emit.h"
#include "helper/core/helper.h"
#include "helper/keyboard/event_tap.h"
#include "helper/platform/sim/sim_desktop.h"
#include "helper/platform/sim/sim_input.h"
#include "helper/tests/support/virtual_run_loop.h"

namespace parlevox {
namespace {

struct Timed {
  double at;
  platform::InputEvent event;
};

// Records what the simulated keyboard would deliver for a sequence of presses and releases.
class SessionRecorder {
 public:
  void press(const std::string& name, double at) { add(name, at, true, false); }
  void release(const std::string& name, double at) { add(name, at, false, false); }
  void repeat(const std::string& name, double at) { add(name, at, true, true); }
  std::vector<Timed> events;

 private:
  void add(const std::string& name, double at, bool down, bool repeat) {
    auto control = *sim::controlNamed(name);
    platform::InputEvent e;
    e.keyCode = control.code;
    e.keyboardType = sim::kSimKeyboardType;
    if (control.kind == sim::Control::Kind::modifier) {
      if (down)
        flags_ |= control.flags;
      else
        flags_ &= ~control.flags;
      e.type = platform::kFlagsChanged;
    } else {
      e.type = down ? platform::kKeyDown : platform::kKeyUp;
      e.autorepeat = repeat;
    }
    e.flags = flags_;
    events.push_back({at, e});
  }
  std::uint64_t flags_ = 0;
};

// Prose typed at 60–250 ms a keystroke: words of letters, a capital now and then (Shift), Space
// between words, a Backspace now and then, a pause of a second or two between sentences, and a
// held key that auto-repeats. A fixed seed makes every run replay the same session.
std::vector<Timed> typingSession(std::size_t count) {
  SessionRecorder r;
  std::mt19937 random(20240611);
  auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  double t = 1000;
  while (r.events.size() < count) {
    const int words = between(4, 12);
    for (int w = 0; w < words; ++w) {
      const int length = between(1, 9);
      for (int i = 0; i < length; ++i) {
        std::string key = std::string("Key") + letters[between(0, 25)];
        const bool capital = i == 0 && between(0, 5) == 0;
        if (capital) r.press("LeftShift", t += between(30, 80));
        r.press(key, t += between(60, 250));
        if (between(0, 200) == 0)
          for (int k = 0; k < 5; ++k) r.repeat(key, t += 35);
        r.release(key, t += between(40, 90));
        if (capital) r.release("LeftShift", t += between(10, 40));
        if (between(0, 30) == 0) {
          r.press("Delete", t += between(80, 200));
          r.release("Delete", t += between(40, 80));
        }
      }
      r.press("Space", t += between(60, 250));
      r.release("Space", t += between(40, 90));
    }
    r.press("KeyPeriod", t += between(60, 250));
    r.release("KeyPeriod", t += between(40, 90));
    t += between(800, 2500);
  }
  r.events.resize(count);
  return r.events;
}

// Dictation while armed: Left Option + Space to start, every key reported; some keys typed with
// the modifier held, Escape to cancel, and Space-first chords after pauses.
std::vector<Timed> dictationSession(std::size_t count) {
  SessionRecorder r;
  std::mt19937 random(7);
  auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  double t = 1000;
  while (r.events.size() < count) {
    r.press("LeftOption", t += between(300, 900));
    r.press("Space", t += between(20, 60));
    for (int k = 0; k < between(0, 6); ++k) r.repeat("Space", t += 35);
    r.release("Space", t += between(60, 120));
    if (between(0, 3) == 0) {
      r.press("Escape", t += between(100, 300));
      r.release("Escape", t += between(40, 80));
    }
    r.release("LeftOption", t += between(500, 3000));
    for (int k = 0; k < between(3, 15); ++k) {
      r.press("KeyE", t += between(60, 250));
      r.release("KeyE", t += between(40, 90));
    }
    r.press("Space", t += between(600, 1500));
    r.press("LeftOption", t += between(10, 40));
    r.release("Space", t += between(60, 200));
    r.release("LeftOption", t += between(200, 900));
  }
  r.events.resize(count);
  return r.events;
}

void replay(benchmark::State& state, const std::vector<Timed>& session, bool armed) {
  setLineSink([](std::string_view) {});
  for (auto _ : state) {
    state.PauseTiming();
    auto desktop = sim::SimDesktop::demo();
    testing::VirtualRunLoop loop(session.front().at);
    auto helper = std::unique_ptr<Helper>(
        new Helper{.state = {}, .platform = desktop->platform(), .loop = loop, .exit = [](int) {}});
    helper->state.typing.typingStats = !armed;
    helper->state.keyboard.armed = armed;
    helper->state.keyboard.armedAt = loop.now();
    installTap(*helper);
    state.ResumeTiming();
    for (const auto& [at, event] : session) {
      loop.advanceTo(at);
      benchmark::DoNotOptimize(handleTapEvent(*helper, &loop, event));
    }
  }
  setLineSink(nullptr);
  // Seconds per event, shown with an SI prefix (n for nanoseconds).
  state.counters["per_event"] = benchmark::Counter(
      static_cast<double>(session.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TypingSession(benchmark::State& state) {
  static const auto session = typingSession(10000);
  replay(state, session, false);
}
BENCHMARK(BM_TypingSession)->Unit(benchmark::kMicrosecond);

void BM_ArmedDictationSession(benchmark::State& state) {
  static const auto session = dictationSession(10000);
  replay(state, session, true);
}
BENCHMARK(BM_ArmedDictationSession)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace parlevox

BENCHMARK_MAIN();
