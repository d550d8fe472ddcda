// Times MCP requests against a stdio server: ping round trips per second (one request in flight,
// then many in flight), tools/list latency and the server's peak memory.
// Usage: mcp_round_trips PINGS LISTS COMMAND [ARGS...]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Server {
  pid_t pid = -1;
  int to = -1;          // the server's stdin
  int from = -1;        // the server's stdout
  std::string pending;  // bytes read from the server, handed out from `start` on
  std::size_t start = 0;
};

[[noreturn]] void fail(const char* what) {
  std::perror(what);
  std::exit(1);
}

Server start(char** argv) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) fail("pipe");
  Server server;
  server.pid = fork();
  if (server.pid < 0) fail("fork");
  if (server.pid == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    close(in[0]), close(in[1]), close(out[0]), close(out[1]);
    execvp(argv[0], argv);
    _exit(127);
  }
  close(in[0]), close(out[1]);
  server.to = in[1];
  server.from = out[0];
  return server;
}

void send_line(Server& server, const std::string& line) {
  std::string bytes = line + "\n";
  if (write(server.to, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    fail("write");
}

// Reads one response line; any line the server writes counts (notifications are not expected).
std::string_view read_line(Server& server) {
  char buffer[64 * 1024];
  for (;;) {
    if (auto newline = server.pending.find('\n', server.start); newline != std::string::npos) {
      std::string_view line(server.pending.data() + server.start, newline - server.start);
      server.start = newline + 1;
      return line;
    }
    server.pending.erase(0, server.start);
    server.start = 0;
    ssize_t n = read(server.from, buffer, sizeof buffer);
    if (n <= 0) {
      std::fprintf(stderr, "the server closed its output\n");
      std::exit(1);
    }
    server.pending.append(buffer, static_cast<std::size_t>(n));
  }
}

std::string request(int id, const char* method) {
  return "{\"jsonrpc\":\"2.0\",\"id\":" + std::to_string(id) + ",\"method\":\"" + method +
         "\",\"params\":{}}";
}

double ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: mcp_round_trips PINGS LISTS COMMAND [ARGS...]\n");
    return 2;
  }
  const int pings = std::atoi(argv[1]);
  const int lists = std::max(1, std::atoi(argv[2]));
  Server server = start(argv + 3);
  int id = 0;

  send_line(
      server,
      "{\"jsonrpc\":\"2.0\",\"id\":0,\"method\":\"initialize\",\"params\":{\"protocolVersion\":"
      "\"2025-11-25\",\"capabilities\":{},\"clientInfo\":{\"name\":\"bench\",\"version\":"
      "\"1\"}}}");
  if (read_line(server).find("\"result\"") == std::string::npos) fail("initialize");
  send_line(server, "{\"jsonrpc\":\"2.0\",\"method\":\"notifications/initialized\"}");

  for (int i = 0; i < 200; ++i) {  // warm-up
    send_line(server, request(++id, "ping"));
    read_line(server);
  }
  auto started = Clock::now();
  for (int i = 0; i < pings; ++i) {
    send_line(server, request(++id, "ping"));
    read_line(server);
  }
  double ping_seconds = ms(Clock::now() - started) / 1000;

  // The same number of pings written as fast as the pipe takes them while the answers are read:
  // what a client that does not wait for each answer gets.
  std::string burst;
  for (int i = 0; i < pings; ++i) burst += request(++id, "ping") + "\n";
  started = Clock::now();
  std::thread writer([&] {
    for (std::size_t done = 0; done < burst.size();) {
      ssize_t n = write(server.to, burst.data() + done, burst.size() - done);
      if (n <= 0) fail("write");
      done += static_cast<std::size_t>(n);
    }
  });
  for (int i = 0; i < pings; ++i) read_line(server);
  double burst_seconds = ms(Clock::now() - started) / 1000;
  writer.join();

  std::vector<double> list_ms;
  std::size_t tools_bytes = 0;
  for (int i = 0; i < lists + 5; ++i) {
    auto before = Clock::now();
    send_line(server, request(++id, "tools/list"));
    std::string line(read_line(server));
    if (line.find("\"tools\"") == std::string::npos) {
      std::fprintf(stderr, "tools/list failed: %s\n", line.c_str());
      return 1;
    }
    if (i >= 5) list_ms.push_back(ms(Clock::now() - before));  // the first five warm up
    tools_bytes = line.size();
  }
  std::sort(list_ms.begin(), list_ms.end());

  close(server.to);
  int status;
  rusage usage{};
  if (wait4(server.pid, &status, 0, &usage) < 0) fail("wait4");

  double mean = 0;
  for (double v : list_ms) mean += v / list_ms.size();
  std::printf(
      "{\"pings_per_s\": %.0f, \"pipelined_pings_per_s\": %.0f, \"list_ms\": {\"min\": %.3f, "
      "\"median\": %.3f, \"p90\": %.3f, "
      "\"mean\": %.3f}, \"tools_list_bytes\": %zu, \"peak_rss_kib\": %ld, \"exit\": %d}\n",
      pings / ping_seconds, pings / burst_seconds, list_ms.front(), list_ms[list_ms.size() / 2],
      list_ms[list_ms.size() * 9 / 10], mean, tools_bytes, usage.ru_maxrss,
      WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}
