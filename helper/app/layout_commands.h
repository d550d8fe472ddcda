// Commands over the keyboard layouts: the input languages and select-all.
#pragma once

namespace parlevox {

struct Command;
struct Helper;

/// {"ok": true, "languages": [...]}.
void runInputLanguages(Helper& h, const Command& c);
/// Command+A on the key that types "a" with Command held: {"ok": posted}, or "no_a_key".
void runSelectAll(Helper& h, const Command& c);

}  // namespace parlevox
