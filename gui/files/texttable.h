#pragma once
// Tab- and comma-separated text files: the graph export, the table export
// with its own save dialog, the import into a new table window, and the file
// name change when the save dialog's file type changes. Each export asks for
// a range first and shows a progress window whose Cancel stops at the next
// line; what was written until then is kept.

#include <QChar>
#include <QString>

class PESGraph;
class QFileDialog;
class QIODevice;
class QWidget;
class TfrmList;
class TfrmScope;

// Writes the points of `graph` in a chosen range to `path` (tab or comma
// separated). False when nothing was written (range cancelled or invalid, the
// file could not be written, commas asked for where the decimal separator is a
// comma; the user was told about all but the first).
bool ExportGraphText(PESGraph *graph, const QString &path, QChar separator);

// The table export of a table window: save dialog, range, then the rows.
bool ExportTableText(QWidget *tableWindow);

// Opens a text file as a new table window titled with the file's full path.
// Null when the file cannot be read (the user is told).
TfrmList *ImportTableText(const QString &path);

// Reads the lines of `device` into the rows of `list` (separator `separator`),
// counting them in `progress` when given; stops at a line without a separator,
// after a line longer than the import's limit, or on Cancel. Needs no main
// window. Returns the number of rows read.
int ImportTextIntoList(TfrmList *list, QIODevice &device, QChar separator, TfrmScope *progress = nullptr);


