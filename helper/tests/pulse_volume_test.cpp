// The PulseAudio volume when no server answers: nothing to read, nothing written, no hang.
#include "helper/platform/linux/pulse_volume.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>

namespace parlevox {
namespace {

namespace fs = std::filesystem;

// Points the client library at `server` for the length of one test.
class ServerAddress {
 public:
  explicit ServerAddress(const std::string& server) {
    if (const char* old = std::getenv("PULSE_SERVER")) old_ = old;
    ::setenv("PULSE_SERVER", server.c_str(), 1);
  }
  ~ServerAddress() {
    if (old_)
      ::setenv("PULSE_SERVER", old_->c_str(), 1);
    else
      ::unsetenv("PULSE_SERVER");
  }

 private:
  std::optional<std::string> old_;
};

TEST(PulseVolume, MissingServerGivesNoVolumeAndRefusesWrites) {
  ServerAddress address("unix:/nonexistent/parlevox-test/native");
  native::PulseVolume volume;
  EXPECT_FALSE(volume.outputVolume());
  EXPECT_FALSE(volume.setOutputVolume(0.5f));
}

TEST(PulseVolume, ServerThatNeverAnswersIsGivenUpAfterTheTimeout) {
  std::string dir = (fs::temp_directory_path() / "pulse_volume_XXXXXX").string();
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  const std::string path = dir + "/native";
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 4), 0);  // accepted by the kernel, never answered

  ServerAddress server("unix:" + path);
  native::PulseVolume volume(200);
  // Each call waits out its 200 ms for the answer and no longer: a generous bound, since what
  // matters is that a silent server costs the caller the timeout, not a hang.
  using Clock = std::chrono::steady_clock;
  auto elapsedMs = [](Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
  };
  auto start = Clock::now();
  EXPECT_FALSE(volume.outputVolume());
  EXPECT_GE(elapsedMs(start), 200);
  EXPECT_LT(elapsedMs(start), 2000);
  start = Clock::now();
  EXPECT_FALSE(volume.setOutputVolume(0.5f));
  EXPECT_GE(elapsedMs(start), 200);
  EXPECT_LT(elapsedMs(start), 2000);
  ::close(listener);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace parlevox
