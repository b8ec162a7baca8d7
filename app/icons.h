#pragma once
// Pictures of the main window's tool buttons, drawn at run time.

#include <QIcon>
#include <QString>

// name: "open", "save", "print", "logger", "tograph", "run", "stop", "search", "disconnect"
QIcon ToolIcon(const QString &name);
