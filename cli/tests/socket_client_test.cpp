// Tests of the socket location, the request line and the reading of answers.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <nlohmann/json.hpp>

#include "cli/app_connection.h"
#include "cli/call_app.h"
#include "cli/invocation.h"

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

}  // namespace
}  // namespace parlevox::cli
