// The ceiling for any stdio MCP server on this machine: answers every line at once with one fixed
// result line (one write each), doing no work at all. Used by bench/mcp_vs_sdk.py for scale.
#include <unistd.h>

#include <cstring>

int main() {
  static const char kReply[] = "{\"id\":0,\"jsonrpc\":\"2.0\",\"result\":{\"tools\":[]}}\n";
  static char buffer[64 * 1024];
  for (;;) {
    ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) return 0;
    for (const char* p = buffer;
         (p = static_cast<const char*>(std::memchr(p, '\n', buffer + n - p))); ++p)
      if (write(STDOUT_FILENO, kReply, sizeof kReply - 1) < 0) return 1;
  }
}
