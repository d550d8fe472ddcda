// Decoding an audio file to a 16 kHz mono 16-bit WAV file, and the "decode" command.
#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>

namespace parlevox {

namespace platform {
class AudioDecoder;
}
struct Command;
struct Helper;

/// The canonical 44-byte WAV header for `dataSize` bytes of 16 kHz mono 16-bit PCM.
std::array<std::uint8_t, 44> wavHeader(std::uint32_t dataSize);

/// Decodes the first audio track of `path` into a WAV file at `out`, streaming the samples and
/// patching the header at the end. Blocks for the whole decode; call it off the main thread.
/// Success: {"ok": true, "seconds": s}; failure: {"ok": false, "error": word or description}.
/// No output file is created when the input has no readable audio.
nlohmann::json decodeToWav(platform::AudioDecoder& decoder, const std::string& path,
                           const std::string& out);

/// The "decode" command: runs `decodeToWav` on the background pool and replies from the main
/// thread when it is done.
void runDecode(Helper& h, const Command& c);

}  // namespace parlevox
