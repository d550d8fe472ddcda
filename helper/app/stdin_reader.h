// The stdin reader: a detached thread that reads and decodes command lines and posts them.
#pragma once

namespace parlevox {

struct Helper;

/// Starts the reader on `fd`. Commands run on the main loop in arrival order; at end of input the
/// main loop restores the volume and ends the process once every command read before has run.
void startStdinReader(Helper& h, int fd);

}  // namespace parlevox
