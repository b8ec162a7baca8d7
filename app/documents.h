#pragma once
// The File menu's Open and Save by document kind: graph windows (graph file,
// text export, the data-logger chooser between collection and single graph),
// table windows (text export), collections and text tables.

#include <QString>

class QWidget;

// Save on the given child window (the active one for the menu): tables export,
// the data-logger graph asks the chooser, other graph windows SaveGraphAs.
// True when something was saved.
bool SaveDocument(QWidget *child);
// Open: chooser, then a collection or a single file.
void OpenDocument(QWidget *parent = nullptr);
// Opens one chosen file by its extension (".ghf" graph, ".txt"/".csv" table import).
void OpenSingleFile(const QString &path);
// A file named from outside the program (its command line, a file manager):
// a collection (".738") opens as the collection command opens one, any other
// file as OpenSingleFile. False, with nothing opened, for a file that does not
// exist or whose type the program does not open.
bool OpenFileFromOutside(const QString &path);
