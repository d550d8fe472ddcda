// The dictation history and its search.
#include "history.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "op_error.h"
#include "params.h"

namespace parlevox::reference_app {
namespace {

using nlohmann::json;

const json& entries() {
  static const json history = json::parse(R"([
    {"id": "h8", "at": "2025-03-14T16:42:10Z", "app": "Mail", "words": 17,
     "text": "Hi Anna, the invoice for February is attached. Let me know if anything is missing."},
    {"id": "h7", "at": "2025-03-14T15:05:31Z", "app": "Slack", "words": 9,
     "text": "Deploying the landing page now, give me ten minutes."},
    {"id": "h6", "at": "2025-03-14T11:20:02Z", "app": "Notes", "words": 8,
     "text": "Ideas: shorter onboarding, dark mode, keyboard shortcuts."},
    {"id": "h5", "at": "2025-03-13T18:11:45Z", "app": "Mail", "words": 12,
     "text": "Could you resend invoice 2041? The PDF did not open on my side."},
    {"id": "h4", "at": "2025-03-13T09:30:00Z", "app": "Terminal", "words": 5,
     "text": "git commit -m \"fix the login form\""},
    {"id": "h3", "at": "2025-03-12T14:02:13Z", "app": "Telegram", "words": 4,
     "text": "Буду через десять минут."},
    {"id": "h2", "at": "2025-03-12T10:15:27Z", "app": "Safari", "words": 3,
     "text": "invoice template free"},
    {"id": "h1", "at": "2025-03-11T08:00:59Z", "app": "Notes", "words": 6,
     "text": "Buy milk, bread and coffee beans."}
  ])");
  return history;
}

std::string lower(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::size_t history_size() {
  return entries().size();
}

json history_search(const json& params) {
  const std::string search = lower(optional_string(params, "search").value_or(""));
  const auto app = optional_string(params, "app");
  std::int64_t limit = 20;
  if (auto field = params.find("limit"); field != params.end() && !field->is_null()) {
    if (!field->is_number_integer() || *field < 1 || *field > 100)
      throw invalid("limit must be a whole number from 1 to 100");
    limit = field->get<std::int64_t>();
  }
  json found = json::array();
  std::size_t total = 0;
  for (const auto& entry : entries()) {
    if (app && entry["app"] != *app) continue;
    if (lower(entry["text"]).find(search) == std::string::npos) continue;
    ++total;
    if (static_cast<std::int64_t>(found.size()) < limit) found.push_back(entry);
  }
  return {{"entries", found}, {"total", total}};
}

}  // namespace parlevox::reference_app
