#pragma once
// A graph engine's whole graph to and from a graph file, with the user's
// messages.

#include <QString>

class PESGraph;
class QWidget;

// Both show a clear message on failure and return false; a failed load leaves
// the graph exactly as it was.
bool SaveGraphFile(PESGraph *graph, const QString &path);
bool LoadGraphFile(PESGraph *graph, const QString &path);
// Where graph-file messages go: `preferred`, else the main window.
QWidget *GraphMessageParent(QWidget *preferred);
// The path as a message shows it.
QString GraphFileNativePath(const QString &path);
