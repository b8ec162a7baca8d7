#pragma once
// Pictures of the main window's tool buttons, drawn at run time.

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// name: "open", "save", "print", "logger", "tograph", "run", "stop", "search", "disconnect"
QIcon ToolIcon(const QString &name);

// The program's emblem, a small picture of the meter: about box and window icon.
QPixmap MeterEmblem(const QSize &size);
