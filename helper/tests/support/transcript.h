// Keyboard transcripts: input events and time advances replayed in virtual time against the
// simulated desktop, checked against the events the helper emits and what the application gets.
#pragma once

#include <string>

namespace parlevox::testing {

/// Runs the transcript file; an empty result means every expectation held, otherwise the text
/// says where the transcript and the helper part ways.
std::string runTranscript(const std::string& path);

}  // namespace parlevox::testing
