"""The texts of the GTK test window, shared by the window and the tests that read it."""

# As served by the window; the caret in characters.
ENTRY_TEXT = "Hello 😀 world"
ENTRY_CARET = 7  # after the emoji, in characters
PASSWORD = "hunter2-secret"
NOTES = "First line of the notes\nSecond line of the notes"
GREETING = "Welcome to the parlevox test window"
