// The default output's volume on the PulseAudio server (PipeWire's Pulse server answers alike).
#include "helper/platform/linux/pulse_volume.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/volume.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

namespace parlevox::native {
namespace {

using Clock = std::chrono::steady_clock;

// The server resolves this name to whatever sink is the default at the moment of the call.
constexpr const char* kDefaultSink = "@DEFAULT_SINK@";

struct Sink {
  std::uint32_t index = PA_INVALID_INDEX;
  pa_cvolume volume{};
};

// One connection to the server with a deadline shared by everything done on it. A non-threaded
// main loop is iterated here and only here, so no callback runs outside these calls.
class Connection {
 public:
  explicit Connection(int timeoutMs)
      : deadline_(Clock::now() + std::chrono::milliseconds(timeoutMs)), loop_(pa_mainloop_new()) {
    if (!loop_) return;
    context_ = pa_context_new(pa_mainloop_get_api(loop_), "parlevox-helper");
    if (!context_) return;
    // Without NOAUTOSPAWN the library would start a server of its own when none answers.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return;
    ready_ = run([this] { return pa_context_get_state(context_) == PA_CONTEXT_READY; });
  }

  ~Connection() {
    if (context_) {
      pa_context_disconnect(context_);
      pa_context_unref(context_);
    }
    if (loop_) pa_mainloop_free(loop_);
  }

  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  std::optional<Sink> defaultSink() {
    struct Answer {
      bool done = false;
      std::optional<Sink> sink;
    } answer;
    auto onSink = [](pa_context*, const pa_sink_info* info, int eol, void* data) {
      auto& a = *static_cast<Answer*>(data);
      if (eol != 0) {
        a.done = true;
      } else if (info && pa_cvolume_valid(&info->volume)) {
        a.sink = Sink{info->index, info->volume};
      }
    };
    if (!ready_) return std::nullopt;
    if (!await(pa_context_get_sink_info_by_name(context_, kDefaultSink, onSink, &answer),
               answer.done))
      return std::nullopt;
    return answer.sink;
  }

  bool setSinkVolume(const Sink& sink, const pa_cvolume& volume) {
    struct Answer {
      bool done = false;
      bool ok = false;
    } answer;
    auto onDone = [](pa_context*, int success, void* data) {
      auto& a = *static_cast<Answer*>(data);
      a.done = true;
      a.ok = success != 0;
    };
    if (!ready_) return false;
    return await(
               pa_context_set_sink_volume_by_index(context_, sink.index, &volume, onDone, &answer),
               answer.done) &&
           answer.ok;
  }

 private:
  // Iterates the loop until `done`, the deadline, or the connection failing.
  template <typename Done>
  bool run(Done done) {
    while (!done()) {
      if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) return false;
      const auto left =
          std::chrono::duration_cast<std::chrono::microseconds>(deadline_ - Clock::now()).count();
      if (left <= 0) return false;
      if (pa_mainloop_prepare(loop_, static_cast<int>(std::min<std::int64_t>(left, INT32_MAX))) <
              0 ||
          pa_mainloop_poll(loop_) < 0 || pa_mainloop_dispatch(loop_) < 0)
        return false;
    }
    return true;
  }

  // Waits for an operation's answer; an unanswered operation is cancelled so that its callback
  // never runs after `done` is gone.
  bool await(pa_operation* operation, const bool& done) {
    if (!operation) return false;
    const bool answered = run([&done] { return done; });
    if (!answered) pa_operation_cancel(operation);
    pa_operation_unref(operation);
    return answered;
  }

  Clock::time_point deadline_;
  pa_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  bool ready_ = false;
};

}  // namespace

std::optional<float> PulseVolume::outputVolume() {
  Connection connection(timeoutMs_);
  auto sink = connection.defaultSink();
  if (!sink) return std::nullopt;
  const double loudest = pa_cvolume_max(&sink->volume);
  return static_cast<float>(std::min(loudest / PA_VOLUME_NORM, 1.0));
}

bool PulseVolume::setOutputVolume(float volume) {
  const float level = std::isnan(volume) ? 0.0f : std::clamp(volume, 0.0f, 1.0f);
  Connection connection(timeoutMs_);
  auto sink = connection.defaultSink();
  if (!sink) return false;
  pa_cvolume scaled = sink->volume;
  const auto target = static_cast<pa_volume_t>(std::lround(double{level} * PA_VOLUME_NORM));
  if (!pa_cvolume_scale(&scaled, target)) return false;
  return connection.setSinkVolume(*sink, scaled);
}

}  // namespace parlevox::native
