// Reading pasteboard items from the scenario: text, hex bytes, a repeated pattern or a file.
#include "helper/platform/sim/pasteboard_scenario.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace parlevox::sim {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string fromHex(const ScenarioReader& entry) {
  const auto text = entry.string("hex", "");
  std::string bytes;
  if (text.size() % 2 != 0) entry.fail("hex", "an even number of hexadecimal digits");
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    int high = hexDigit(text[i]), low = hexDigit(text[i + 1]);
    if (high < 0 || low < 0) entry.fail("hex", "hexadecimal digits");
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return bytes;
}

std::string repeated(const ScenarioReader& entry) {
  entry.require("bytes");
  const auto pattern = entry.string("repeat", "");
  if (pattern.empty()) entry.fail("repeat", "a string that is not empty");
  const auto size = static_cast<std::size_t>(entry.integer("bytes", 0, 0, kMaxPasteboardBytes));
  std::string bytes;
  bytes.reserve(size);
  while (bytes.size() < size) bytes.append(pattern, 0, size - bytes.size());
  return bytes;
}

// A regular file's bytes; anything else (a missing file, a folder, a FIFO, a device) is refused,
// so that loading never blocks.
std::string fileBytes(const ScenarioReader& entry) {
  const auto path = entry.string("file", "");
  const std::string place = entry.place() + ".file";
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw ScenarioError(place + ": cannot read " + path + ": " + std::strerror(errno));
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxPasteboardBytes) {
    ::close(fd);
    throw ScenarioError(place + " must name a regular file of at most " +
                        std::to_string(kMaxPasteboardBytes) + " bytes");
  }
  std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(done);  // a file that shrank while being read gives what was there
  return bytes;
}

SimPasteboardData readData(const ScenarioReader& entry) {
  entry.onlyKeys({"type", "text", "hex", "repeat", "bytes", "file", "unreadable"});
  entry.require("type");
  SimPasteboardData data;
  data.type = entry.string("type", "");
  int sources = 0;
  for (const char* key : {"text", "hex", "repeat", "file"}) sources += entry.has(key) ? 1 : 0;
  data.unreadable = entry.boolean("unreadable", false);
  if (sources + (data.unreadable ? 1 : 0) != 1)
    entry.fail("text",
               "given, or else exactly one of \"hex\", \"repeat\", \"file\", \"unreadable\"");
  if (entry.has("bytes") && !entry.has("repeat")) entry.fail("bytes", "given only with \"repeat\"");
  if (entry.has("text")) data.bytes = entry.string("text", "");
  if (entry.has("hex")) data.bytes = fromHex(entry);
  if (entry.has("repeat")) data.bytes = repeated(entry);
  if (entry.has("file")) data.bytes = fileBytes(entry);
  return data;
}

}  // namespace

std::vector<SimPasteboardItem> readPasteboardItems(const ScenarioReader& scenario,
                                                   const char* key) {
  std::vector<SimPasteboardItem> items;
  const auto& list = scenario.array(key);
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string place = scenario.place() + "." + key + "[" + std::to_string(i) + "]";
    if (!list[i].is_array()) throw ScenarioError(place + " must be an array of types");
    SimPasteboardItem item;
    for (std::size_t j = 0; j < list[i].size(); ++j)
      item.push_back(readData(ScenarioReader(list[i][j], place + "[" + std::to_string(j) + "]")));
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace parlevox::sim
