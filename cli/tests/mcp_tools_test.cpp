// Tests of the tool descriptors built from the application's operations.
#include "cli/mcp_tools.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace parlevox::cli {
namespace {

using nlohmann::json;

json tool_for(const json& operation) {
  return tools_from_operations(json::array({operation}))[0];
}

TEST(ToolsFromOperations, OnlyTheBooleanTrueIsDestructive) {
  for (const json& value : {json(true), json("true"), json(1), json(nullptr), json(false)}) {
    json tool = tool_for({{"name", "a"}, {"destructive", value}});
    EXPECT_EQ(tool["annotations"]["destructiveHint"], value == json(true)) << value.dump();
  }
}

TEST(ToolsFromOperations, RiskThatIsNotTextCountsAsRun) {
  for (const json& risk : {json(1), json(nullptr), json::array({"read"}), json("run")}) {
    json hints = tool_for({{"name", "a"}, {"risk", risk}})["annotations"];
    EXPECT_EQ(hints, json({{"readOnlyHint", false},
                           {"destructiveHint", false},
                           {"idempotentHint", false},
                           {"openWorldHint", true}}))
        << risk.dump();
  }
  EXPECT_FALSE(tool_for({{"risk", "Read"}})["annotations"]["readOnlyHint"]);
}

TEST(ToolsFromOperations, InputSchemaIsAnObjectWithAType) {
  auto schema = [](const json& given) { return tool_for({{"inputSchema", given}})["inputSchema"]; };
  EXPECT_EQ(schema(json::array({1})), json({{"type", "object"}}));
  EXPECT_EQ(schema(7), json({{"type", "object"}}));
  EXPECT_EQ(schema(json::object()), json({{"type", "object"}}));
  // A schema that names its own type keeps it, and everything else, unchanged.
  json own = {{"type", "string"}, {"enum", {"a"}}, {"$defs", {{"x", nullptr}}}};
  EXPECT_EQ(schema(own), own);
}

TEST(ToolsFromOperations, TitleAndDescriptionAreLeftOutWhenMissingOrNull) {
  json tool = tool_for({{"name", "a"}, {"title", nullptr}, {"description", nullptr}});
  EXPECT_FALSE(tool.contains("title"));
  EXPECT_FALSE(tool.contains("description"));
  EXPECT_FALSE(tool["annotations"].contains("title"));
  json kept = tool_for({{"title", ""}, {"description", json::array()}});
  EXPECT_EQ(kept["title"], "");
  EXPECT_EQ(kept["annotations"]["title"], "");
  EXPECT_EQ(kept["description"], json::array());
}

TEST(FindOperation, TakesTheFirstTextNameWithThatToolName) {
  json operations = json::parse(R"([{"name": 1}, "x", {"name": "a_b", "n": 1},
                                    {"name": "a.b", "n": 2}, {"name": "a_b", "n": 3}])");
  ASSERT_NE(find_operation(operations, "a_b"), nullptr);
  EXPECT_EQ((*find_operation(operations, "a_b"))["n"], 1);
  EXPECT_EQ(find_operation(operations, "a.b"), nullptr);
  EXPECT_EQ(find_operation(operations, "1"), nullptr);
  EXPECT_EQ(find_operation(json::array(), ""), nullptr);
}

}  // namespace
}  // namespace parlevox::cli
