#pragma once
// Pictures of the graph window's tool buttons and its cross pointer, drawn at
// run time.

#include <QCursor>
#include <QIcon>
#include <QString>

// name: "stats", "linestats", "arrow", "cross", "text", "color", "clear", "undozoom"
QIcon GraphToolIcon(const QString &name);
// The cross-hair pointer of the cross tool; its hot spot is the centre.
QCursor GraphCrossCursor();
