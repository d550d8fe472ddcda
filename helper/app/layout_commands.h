// Commands over the keyboard layouts: the input languages, the key labels and select-all.
#pragma once

namespace parlevox {

struct Command;
struct Helper;

/// {"ok": true, "languages": [...]}.
void runInputLanguages(Helper& h, const Command& c);
/// {"ok": true, "ascii": labels, "layouts": [{"name", "labels"}]}: what each key prints on every
/// enabled keyboard layout and on the ASCII-capable one in use.
void runKeyLabels(Helper& h, const Command& c);
/// Command+A on the key that types "a" with Command held: {"ok": posted}, or "no_a_key".
void runSelectAll(Helper& h, const Command& c);

}  // namespace parlevox
