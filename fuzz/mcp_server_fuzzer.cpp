// Fuzzes the MCP server: the input is its whole stdin, served line by line. Tools reach a
// stand-in application in a thread that lists three operations and answers every call with the
// call's own input, so that tool results are built from fuzzed values too.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "cli/mcp_server.h"

namespace {

constexpr const char* kDescribeAnswer =
    R"({"result":{"operations":[{"name":"app.info","risk":"read"},)"
    R"({"name":"commands.add","title":"Add","inputSchema":{"properties":{}}},)"
    R"({"name":"x","destructive":true,"inputSchema":"text"}]}})"
    "\n";

// Answers one connection: `describe` with the operations, anything else with its params.
void answer(int fd) {
  std::string request;
  char buffer[4096];
  while (request.find('\n') == std::string::npos) {
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  auto parsed = nlohmann::json::parse(request.substr(0, request.find('\n')), nullptr, false);
  std::string reply = kDescribeAnswer;
  if (parsed.is_object() && parsed.value("method", "") != "describe")
    reply = nlohmann::json{{"result", parsed["params"]}}.dump() + "\n";
  send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
}

void serve(int listener) {
  for (;;) {
    int fd = accept(listener, nullptr, nullptr);
    if (fd < 0) continue;
    answer(fd);
    close(fd);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static std::string path = "/tmp/parlevox-mcp-fuzz-" + std::to_string(getpid()) + ".sock";
  unlink(path.c_str());
  int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 64) != 0)
    std::abort();
  std::thread(serve, listener).detach();
  setenv("PARLEVOX_SOCKET", path.c_str(), 1);
  std::atexit([] { unlink(path.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int in = memfd_create("mcp-input", MFD_CLOEXEC);
  int out = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (in < 0 || out < 0 || write(in, data, size) != static_cast<ssize_t>(size)) std::abort();
  lseek(in, 0, SEEK_SET);
  parlevox::cli::run_mcp_server(in, out);
  close(in);
  close(out);
  return 0;
}
