// Runs one command as a child that cannot outlive the guard's parent.
#pragma once

namespace parlevox::guard {

/// Runs `argv[1..]` as a child in a process group of its own, forwards SIGTERM, SIGINT and SIGHUP
/// to that group, and stops the group when the guard's parent exits. Returns the guard's exit
/// status: 2 without a command (usage on stderr), 1 when the fork fails or a stopped child is
/// reported, 127 when the command cannot be executed, else the child's exit code, or 128 + the
/// signal that ended it. Call once per process: it installs signal handlers and reaps the child.
int run(int argc, char** argv);

}  // namespace parlevox::guard
