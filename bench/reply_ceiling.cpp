// The ceiling for a line-per-reply helper: reads each line and writes one fixed reply with one
// write(2).
#include <unistd.h>

#include <cstring>

int main() {
  static const char kReply[] = "{\"ax\":true,\"id\":1,\"ok\":true,\"secure\":false,\"tap\":true}\n";
  char buffer[64 * 1024];
  for (;;) {
    ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) return 0;
    for (const char* p = buffer;
         (p = static_cast<const char*>(std::memchr(p, '\n', buffer + n - p))); ++p)
      if (write(STDOUT_FILENO, kReply, sizeof kReply - 1) < 0) return 1;
  }
}
