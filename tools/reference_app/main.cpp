// parlevox-reference-app: a stand-in for the Parlevox application's side of its local socket.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "socket_server.h"

namespace {

constexpr const char* kUsage =
    "usage: parlevox-reference-app [--socket PATH]\n"
    "Serves the Parlevox operations on a Unix socket until stopped (SIGINT or SIGTERM).\n"
    "The socket is PATH, else $PARLEVOX_SOCKET, else $PARLEVOX_USER_DATA/api.sock,\n"
    "else ~/Library/Application Support/Parlevox/api.sock.\n";

char g_socket_path[4096];

void stop(int) {
  ::unlink(g_socket_path);
  ::_exit(0);
}

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string default_socket_path() {
  if (const char* socket = std::getenv("PARLEVOX_SOCKET")) return socket;
  if (const char* user_data = std::getenv("PARLEVOX_USER_DATA")) return join(user_data, "api.sock");
  const char* home = std::getenv("HOME");
  return join(join(home ? home : "", "Library/Application Support/Parlevox"), "api.sock");
}

void make_parent_folders(const std::string& path) {
  for (auto slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1))
    ::mkdir(path.substr(0, slash).c_str(), 0700);
}

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  if (argc == 3 && std::strcmp(argv[1], "--socket") == 0) {
    path = argv[2];
  } else if (argc == 1) {
    path = default_socket_path();
  } else {
    std::fputs(kUsage, argc == 2 && std::strcmp(argv[1], "--help") == 0 ? stdout : stderr);
    return argc == 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
  }
  if (path.size() >= sizeof g_socket_path) {
    std::fprintf(stderr, "parlevox-reference-app: socket path too long\n");
    return 1;
  }
  make_parent_folders(path);
  int listener = parlevox::reference_app::listen_on(path);
  if (listener < 0) return 1;
  std::memcpy(g_socket_path, path.c_str(), path.size() + 1);

  struct sigaction action {};
  action.sa_handler = stop;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::printf("parlevox-reference-app: listening on %s\n", path.c_str());
  std::fflush(stdout);
  parlevox::reference_app::serve(listener, path);
}
