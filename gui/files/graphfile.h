#pragma once
// Graph windows from graph files, and the save dialog of one graph (graph
// file or text export).

#include <QString>

class PESGraph;
class QWidget;
class TfrmGraph;

// A new graph window from a graph file, titled with the full path; null (and
// no window) when the file cannot be read or loaded.
TfrmGraph *OpenGraphFile(const QString &path);

// The save dialog for one graph; ".ghf" writes a graph file, ".txt" and
// ".csv" the graph's text export, anything else writes nothing. True when a
// file was written.
bool SaveGraphAs(PESGraph *graph, QWidget *parent = nullptr);
