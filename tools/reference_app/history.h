// The dictation history and its search.
#pragma once

#include <cstddef>
#include <nlohmann/json_fwd.hpp>

namespace parlevox::reference_app {

/// Entries whose text holds `search` (ASCII letters without regard to case), newest first, at
/// most `limit` (1 to 100, 20 by default), optionally only those dictated into `app`.
nlohmann::json history_search(const nlohmann::json& params);

std::size_t history_size();

}  // namespace parlevox::reference_app
