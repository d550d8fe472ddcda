// Tests of the socket location, the request line, the reading of answers, the limits of a call
// and the wait for a starting application.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "cli/app_connection.h"
#include "cli/call_app.h"
#include "cli/invocation.h"
#include "cli/launch_app.h"

namespace parlevox::cli {
namespace {

class SocketPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"PARLEVOX_SOCKET", "PARLEVOX_USER_DATA", "HOME"}) {
      if (const char* value = getenv(name)) saved_.emplace_back(name, value);
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (const char* name : {"PARLEVOX_SOCKET", "PARLEVOX_USER_DATA", "HOME"}) unsetenv(name);
    for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
  }
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(SocketPathTest, FollowsTheEnvironmentInOrder) {
  EXPECT_EQ(resolve_socket_path(), "Library/Application Support/Parlevox/api.sock");
  setenv("HOME", "", 1);
  EXPECT_EQ(resolve_socket_path(), "Library/Application Support/Parlevox/api.sock");
  setenv("HOME", "/home/ann/", 1);
  EXPECT_EQ(resolve_socket_path(), "/home/ann/Library/Application Support/Parlevox/api.sock");
  setenv("PARLEVOX_USER_DATA", "/data", 1);
  EXPECT_EQ(resolve_socket_path(), "/data/api.sock");
  setenv("PARLEVOX_USER_DATA", "", 1);
  EXPECT_EQ(resolve_socket_path(), "api.sock");
  setenv("PARLEVOX_SOCKET", "", 1);
  EXPECT_EQ(resolve_socket_path(), "");
  EXPECT_FALSE(connect_app().has_value());
}

std::string outcome(std::string_view line) {
  auto result = interpret_answer(line);
  if (auto* error = std::get_if<AppError>(&result))
    return error->kind + " " + std::to_string(error->code) + " " + error->message;
  return std::get<nlohmann::json>(result).dump();
}

TEST(InterpretAnswer, ErrorCodesMustFitASigned64BitInteger) {
  EXPECT_EQ(outcome(R"({"error":{"code":9223372036854775807}})"),
            "failed 9223372036854775807 error");
  EXPECT_EQ(outcome(R"({"error":{"code":-9223372036854775808}})"),
            "failed -9223372036854775808 error");
  EXPECT_EQ(outcome(R"({"error":{"code":9223372036854775808}})"), "failed -32603 error");
  EXPECT_EQ(outcome(R"({"error":{"code":-9223372036854775809}})"), "failed -32603 error");
  EXPECT_EQ(outcome(R"({"error":{"code":7.0}})"), "failed -32603 error");
  EXPECT_EQ(outcome(R"({"error":{"code":"7"}})"), "failed -32603 error");
}

TEST(InterpretAnswer, OnlyErrorAndResultMatter) {
  EXPECT_EQ(outcome(R"({"id":9,"jsonrpc":"1.0","result":{"b":1,"a":2}})"), R"({"a":2,"b":1})");
  EXPECT_EQ(outcome(R"({"error":{"data":{"kind":"needs_approval"},"message":"m"}})"),
            "needs_approval -32603 m");
  EXPECT_EQ(outcome(R"({"error":{"data":"kind"}})"), "failed -32603 error");
  EXPECT_EQ(outcome(""), "unavailable -32004 Parlevox sent an unreadable answer");
  EXPECT_EQ(outcome("{} {}"), "unavailable -32004 Parlevox sent an unreadable answer");
  // A NUL does not end the text: what follows it is not part of any JSON value.
  EXPECT_EQ(outcome(std::string_view("{\"result\":1}\0\n", 14)),
            "unavailable -32004 Parlevox sent an unreadable answer");
}

TEST(RequestLine, KeepsParamsVerbatimInSortedCompactForm) {
  EXPECT_EQ(request_line("x.y", nlohmann::json::parse(R"([{"b":"\u00e9","a":1.5}])"), "c\"d"),
            "{\"id\":1,\"jsonrpc\":\"2.0\",\"meta\":{\"client\":\"c\\\"d\"},\"method\":\"x.y\","
            "\"params\":[{\"a\":1.5,\"b\":\"\xC3\xA9\"}]}\n");
}

TEST(OperationName, JoinsOnlyPlainLowercaseSecondWords) {
  using Args = std::vector<std::string>;
  auto name = [](Args args) {
    auto [text, consumed] = operation_name(args);
    return text + "/" + std::to_string(consumed);
  };
  EXPECT_EQ(name({"commands", "add"}), "commands.add/2");
  EXPECT_EQ(name({"commands", ""}), "commands./2");
  EXPECT_EQ(name({"commands", "add_x", "--a"}), "commands.add_x/2");
  EXPECT_EQ(name({"commands"}), "commands/1");
  EXPECT_EQ(name({"app.info", "extra"}), "app.info/1");
  for (const char* second : {"Add", "add2", "-", "--a", "{}", "ä", "a-b", "a b"})
    EXPECT_EQ(name({"commands", second}), "commands/1") << second;
}

// A listening socket in a fresh folder, named by PARLEVOX_SOCKET while the test runs.
class LimitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/pvx-limits-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    path_ = folder_ + "/api.sock";
    if (const char* value = getenv("PARLEVOX_SOCKET")) saved_ = value;
    setenv("PARLEVOX_SOCKET", path_.c_str(), 1);
    listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path_.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener_, 0), 0);  // one connection fits in the backlog
  }
  void TearDown() override {
    if (peer_.joinable()) peer_.join();
    close(listener_);
    unlink(path_.c_str());
    rmdir(folder_.c_str());
    if (saved_) {
      setenv("PARLEVOX_SOCKET", saved_->c_str(), 1);
    } else {
      unsetenv("PARLEVOX_SOCKET");
    }
  }

  // Accepts one connection, reads its request line and writes `answer`.
  void answer_once(std::string answer) {
    peer_ = std::thread([this, answer] {
      int fd = accept(listener_, nullptr, nullptr);
      char c;
      while (recv(fd, &c, 1, 0) == 1 && c != '\n') {
      }
      send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
      close(fd);
    });
  }

  std::string call(const AppLimits& limits,
                   const nlohmann::json& params = nlohmann::json::object()) {
    auto result = call_app("op", params, "test", limits);
    if (auto* error = std::get_if<AppError>(&result)) return error->kind + ": " + error->message;
    return std::get<nlohmann::json>(result).dump();
  }

  std::string folder_, path_;
  std::optional<std::string> saved_;
  int listener_ = -1;
  std::thread peer_;
};

constexpr std::chrono::milliseconds kShort{200};
constexpr const char* kNotRunning =
    "unavailable: Parlevox is not running (or is older than this CLI). Open Parlevox and try "
    "again.";

TEST_F(LimitsTest, AFullBacklogIsRetriedWhileThereIsPatienceThenUnreachable) {
  int taker = socket(AF_UNIX, SOCK_STREAM, 0);  // fills the one backlog slot
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path_.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(connect(taker, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(call({.connect_patience = kShort}), kNotRunning);

  // The application accepts the waiting connection a little later: the slot frees up and the
  // retried attempt gets through.
  peer_ = std::thread([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    close(accept(listener_, nullptr, nullptr));
    int fd = accept(listener_, nullptr, nullptr);
    char c;
    while (recv(fd, &c, 1, 0) == 1 && c != '\n') {
    }
    send(fd, "{\"result\":7}\n", 13, MSG_NOSIGNAL);
    close(fd);
  });
  EXPECT_EQ(call({.connect_patience = std::chrono::seconds(10)}), "7");
  close(taker);
}

TEST_F(LimitsTest, APeerThatNeverAnswersOrNeverReadsTimesOut) {
  // Connected through the backlog, never accepted: the request fits in the socket buffer and
  // the answer never comes.
  EXPECT_EQ(call({.io_timeout = kShort}),
            "unavailable: no answer from Parlevox: Resource temporarily unavailable (os error 11)");
  close(accept(listener_, nullptr, nullptr));  // frees the backlog slot
  // A request larger than the socket buffers is never read.
  EXPECT_EQ(call({.io_timeout = kShort}, {{"text", std::string(4'000'000, 'x')}}),
            "unavailable: cannot talk to Parlevox: Resource temporarily unavailable (os error 11)");
}

TEST_F(LimitsTest, TheAnswerLineIsReadUpToItsCeiling) {
  answer_once("{\"result\":123}\n");  // 14 bytes before the newline
  EXPECT_EQ(call({.max_answer_bytes = 14}), "123");
  peer_.join();
  answer_once("{\"result\":1234}\n");
  EXPECT_EQ(call({.max_answer_bytes = 14}),
            "unavailable: no answer from Parlevox: the answer is longer than 14 bytes");
  peer_.join();
  answer_once("{\"result\":1234}");  // no newline: the end of the stream ends it
  EXPECT_EQ(call({.max_answer_bytes = 14}),
            "unavailable: no answer from Parlevox: the answer is longer than 14 bytes");
}

// Virtual time: sleeping moves the clock; each attempt is noted and fails.
class VirtualClock : public WaitClock {
 public:
  std::chrono::steady_clock::time_point now() override { return time; }
  void sleep(std::chrono::milliseconds duration) override { time += duration; }
  std::chrono::steady_clock::time_point time{};
};

TEST(PollForApp, TriesEvery300MsAndGivesUpOnce25WholeSecondsHavePassed) {
  VirtualClock clock;
  std::vector<long> attempts_ms;
  auto attempt = [&]() -> std::optional<UniqueFd> {
    attempts_ms.push_back(
        std::chrono::duration_cast<std::chrono::milliseconds>(clock.time.time_since_epoch())
            .count());
    return std::nullopt;
  };
  EXPECT_FALSE(poll_for_app(clock, attempt).has_value());
  ASSERT_EQ(attempts_ms.size(), 84u);
  EXPECT_EQ(attempts_ms.front(), 300);
  EXPECT_EQ(attempts_ms[1], 600);
  EXPECT_EQ(attempts_ms.back(), 25200);  // at 24.9 s fewer than 25 whole seconds had passed
  EXPECT_EQ(clock.time.time_since_epoch(), std::chrono::milliseconds(25200));

  // Slow attempts (a full backlog waited on) count towards the same 25 seconds.
  clock.time = {};
  attempts_ms.clear();
  auto slow = [&]() -> std::optional<UniqueFd> {
    clock.time += std::chrono::seconds(3);
    return attempt();
  };
  EXPECT_FALSE(poll_for_app(clock, slow).has_value());
  EXPECT_EQ(attempts_ms.size(), 8u);
  EXPECT_EQ(attempts_ms.back(), 26400);

  // The first attempt that connects ends the wait.
  clock.time = {};
  int calls = 0;
  auto third = [&]() -> std::optional<UniqueFd> {
    if (++calls < 3) return std::nullopt;
    return UniqueFd(dup(0));
  };
  EXPECT_TRUE(poll_for_app(clock, third).has_value());
  EXPECT_EQ(clock.time.time_since_epoch(), std::chrono::milliseconds(900));
}

TEST(LaunchApp, ALauncherThatNeverExitsIsWaitedForAtMost25Seconds) {
  char folder[] = "/tmp/pvx-launcher-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string launcher = std::string(folder) + "/gtk-launch";
  const std::string pid_file = std::string(folder) + "/pid";
  FILE* script = fopen(launcher.c_str(), "w");
  fprintf(script, "#!/bin/sh\necho $$ > %s\nexec sleep 60\n", pid_file.c_str());
  fclose(script);
  chmod(launcher.c_str(), 0700);
  std::string saved_path = getenv("PATH");
  setenv("PATH", (std::string(folder) + ":" + saved_path).c_str(), 1);

  VirtualClock clock;
  std::optional<long> first_attempt_ms;
  auto attempt = [&]() -> std::optional<UniqueFd> {
    if (!first_attempt_ms) {
      first_attempt_ms =
          std::chrono::duration_cast<std::chrono::milliseconds>(clock.time.time_since_epoch())
              .count();
    }
    return std::nullopt;
  };
  EXPECT_FALSE(launch_app(clock, attempt).has_value());
  setenv("PATH", saved_path.c_str(), 1);
  ASSERT_TRUE(first_attempt_ms.has_value());
  EXPECT_GE(*first_attempt_ms, 25'000 + 300);  // the launcher was given up on after 25 s
  EXPECT_LE(*first_attempt_ms, 25'010 + 300);

  long pid = 0;  // stop the launcher left running
  for (int i = 0; i < 500 && pid == 0; ++i) {
    if (FILE* f = fopen(pid_file.c_str(), "r")) {
      if (fscanf(f, "%ld", &pid) != 1) pid = 0;
      fclose(f);
    }
    if (pid == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (pid > 0) kill(static_cast<pid_t>(pid), SIGKILL);
  waitpid(-1, nullptr, 0);
  unlink(pid_file.c_str());
  unlink(launcher.c_str());
  rmdir(folder);
}

}  // namespace
}  // namespace parlevox::cli
