#pragma once
// Optional hex dump of every frame and reply, switched on by the environment
// variable QM738_LINK_LOG: "1", "stderr" or "-" write to standard error, any
// other value names a file that the lines are appended to.

#include <cstdint>

// True when the dump is on.
bool LinkLogEnabled();
// Writes one line: time, direction tag and the bytes in hex.
void LinkLogBytes(const char *tag, const uint8_t *bytes, int count);
// Writes one line of text (a failed operation, for example).
void LinkLogNote(const char *tag, const char *text);
// Re-reads the environment variable (tests).
void LinkLogReset();
