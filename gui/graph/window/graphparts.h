#pragma once
// Small helpers shared by the graph window's files (graph.cpp, its layout and
// its tools).

#include <QColor>
#include <QString>

namespace GraphParts {
// AnnoColor holds a colour as 0x00BBGGRR.
QColor ColorFromAnno(int value);
int AnnoFromColor(const QColor &c);
// A text of the design, shown as it is.
inline QString Fixed(const char *text) { return QString::fromLatin1(text); }
} // namespace GraphParts
