// What the MCP server says about itself: protocol versions, server information, instructions.
#pragma once

#include <array>
#include <nlohmann/json_fwd.hpp>
#include <string_view>

namespace parlevox::cli {

/// The version a request names in its `_meta` to be served in per-request version mode.
inline constexpr std::string_view kPerRequestVersion = "2026-07-28";

/// Versions `initialize` can agree on, preferred first; the first is the default answer.
inline constexpr std::array<std::string_view, 4> kNegotiableVersions = {"2025-11-25", "2025-06-18",
                                                                        "2025-03-26", "2024-11-05"};

/// Every version the server speaks: the per-request one, then the negotiable ones.
nlohmann::json supported_versions();

/// The `serverInfo` object: name, title, version, description and website address.
nlohmann::json server_info();

/// The capabilities object: tools only, {"tools": {}}.
nlohmann::json server_capabilities();

/// The text sent as `instructions`: how an agent should use the tools.
std::string_view server_instructions();

}  // namespace parlevox::cli
