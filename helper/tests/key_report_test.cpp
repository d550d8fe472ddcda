// The hand-serialised "key" event reads back as the object the JSON library would have written.
#include "helper/keyboard/key_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>

namespace parlevox {
namespace {

nlohmann::json libraryObject(std::int64_t code, bool down, bool swallowed, double ts,
                             std::optional<std::string_view> name) {
  nlohmann::json j{
      {"t", "key"}, {"code", code}, {"down", down}, {"swallowed", swallowed}, {"ts", ts}};
  if (name) j["key"] = *name;
  return j;
}

TEST(KeyReport, SameTextAsTheLibraryForTypicalTimes) {
  for (double ts : {0.0, 1000.0, 1030.5, 123456789.125, 0.001, 99999999999999.9}) {
    EXPECT_EQ(keyEventLine(49, true, true, ts, "Space"),
              libraryObject(49, true, true, ts, "Space").dump())
        << ts;
  }
  EXPECT_EQ(keyEventLine(96, false, false, 2000, std::nullopt),
            R"({"code":96,"down":false,"swallowed":false,"t":"key","ts":2000.0})");
}

TEST(KeyReport, ReadsBackExactlyForAnyTime) {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> uptime(0, 1e11);
  for (int i = 0; i < 20000; ++i) {
    double ts = uptime(random);
    if (i % 3 == 0) ts = std::floor(ts);
    if (i % 7 == 0) ts = std::ldexp(uptime(random), -60);  // tiny
    if (i % 11 == 0) ts = std::ldexp(uptime(random), 40);  // huge
    auto text = keyEventLine(i, i % 2, i % 3, ts, i % 5 ? std::optional("KeyA") : std::nullopt);
    auto read = nlohmann::json::parse(text);
    ASSERT_EQ(read,
              libraryObject(i, i % 2, i % 3, ts, i % 5 ? std::optional("KeyA") : std::nullopt))
        << text;
    ASSERT_EQ(read["ts"].get<double>(), ts) << text;
  }
}

}  // namespace
}  // namespace parlevox
