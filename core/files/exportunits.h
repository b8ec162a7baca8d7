#pragma once
// The unit of the temperatures in the text files this program wrote. The
// text lines carry only numbers, so each export of a graph whose unit is
// known is remembered (in the user's settings) by the file's path, size and
// time of change; a table opened from that file, unchanged since, knows its
// unit again. Plain code, no windows.

#include <QString>

// Remembers `unit` for the file just written at `path` (nothing for an
// empty unit). The most recent exports are kept, the oldest forgotten.
void RememberExportUnit(const QString &path, const QString &unit);
// The unit remembered for `path`; empty when none was, or when the file
// changed since it was written.
QString ExportedUnitOf(const QString &path);
