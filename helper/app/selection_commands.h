// Commands on the user's selection: reading it, and selecting a range of the focused field.
#pragma once

namespace parlevox {

struct Command;
struct Helper;

/// The selected text, through accessibility or the copy shortcut (`copy`, default true); holds
/// the command queue while it waits for the copy.
void runSelection(Helper& h, const Command& c);
/// Selects `location`/`length` of the focused field on a background worker, checking `text`
/// first; "bad_request" without accessibility or without a valid range.
void runSelectRange(Helper& h, const Command& c);

}  // namespace parlevox
