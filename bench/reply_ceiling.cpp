// The ceiling for a line-per-reply server: reads each line and writes one fixed reply with one
// write(2), doing no other work. Usage: reply_ceiling [REPLY] (without its line feed).
#include <unistd.h>

#include <cstring>
#include <string>

int main(int argc, char** argv) {
  std::string reply =
      argc > 1 ? argv[1] : "{\"ax\":true,\"id\":1,\"ok\":true,\"secure\":false,\"tap\":true}";
  reply.push_back('\n');
  static char buffer[64 * 1024];
  for (;;) {
    ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) return 0;
    for (const char* p = buffer;
         (p = static_cast<const char*>(std::memchr(p, '\n', buffer + n - p))); ++p)
      if (write(STDOUT_FILENO, reply.data(), reply.size()) < 0) return 1;
  }
}
