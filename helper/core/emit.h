// The only writers of the helper's stdout: events with `emit`, replies with `respond`.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace parlevox {

/// Serialises the object compactly and writes it as one line. Safe from any thread: lines never
/// interleave, and the line is out when the call returns. Invalid UTF-8 in strings is repaired
/// with U+FFFD; an object that cannot be serialised is dropped.
void emit(const nlohmann::json& object);

/// Writes one compact JSON object that is already serialised (without its line feed) as one line,
/// like `emit`. For the most frequent events, whose text is built without a JSON tree.
void emitSerialised(std::string line);

/// Adds "id" when the command had one, then emits.
void respond(std::optional<std::int64_t> id, nlohmann::json object);

/// Receives each complete line, terminator included. Called under the output lock.
using LineSink = std::function<void(std::string_view line)>;

/// Replaces where lines go (standard output by default); for tests and benchmarks.
void setLineSink(LineSink sink);

}  // namespace parlevox

namespace parlevox {

/// Ends the process with `status` once no line is half written; no line goes out afterwards.
[[noreturn]] void exitAfterLastLine(int status);

}  // namespace parlevox
