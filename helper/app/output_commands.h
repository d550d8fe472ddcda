// Commands that act on other applications with keys: paste, activate, Return and Right Arrow.
#pragma once

namespace parlevox {

struct Command;
struct Helper;

/// Command+V into the application of `pid` (or the frontmost one); holds the command queue while
/// the application comes to the front.
void runPaste(Helper& h, const Command& c);
/// Brings the application of `pid` to the front: {"ok": it is frontmost}, or "no_pid"; holds the
/// command queue for up to 0.4 s.
void runActivate(Helper& h, const Command& c);
/// Return, posted at the session level: {"ok": posted}.
void runPressReturn(Helper& h, const Command& c);
/// Right Arrow, posted where hardware events enter, without a gap: {"ok": posted}.
void runDropSelection(Helper& h, const Command& c);

}  // namespace parlevox
