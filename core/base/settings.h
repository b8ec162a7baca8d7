#pragma once
// The two persistent settings, RealTimeRate and AnnoColor, kept with QSettings
// (organisation "QM738", application "QM738", user scope).

struct TAppState;

// Reads both values; each one that is missing or not an integer falls back
// to its own default (2 and white, kDefaultAnnoColor).
void ReadSettings(TAppState &state);
// Writes both values; a failed write is ignored.
void WriteSettings(const TAppState &state);
