#pragma once
// Graph files (".ghf"): a 4-byte little-endian length N followed by the N
// bytes of the graph block, nothing after. Also the File menu's Open and Save
// for graph windows, with the chooser between collection and single files.

#include <QByteArray>
#include <QString>
#include <functional>

class PESGraph;
class QIODevice;
class QWidget;
class TfrmGraph;

// ---- the file frame (plain, no messages) ----------------------------------
// Writes whole or not at all: an existing file survives a failed write.
bool WriteGraphFileBlock(const QString &path, const QByteArray &block, QString *error = nullptr);
// Reads the block. Fails, with a reason, on a file that cannot be opened, is
// shorter than 4 bytes or whose length field exceeds what the file holds.
bool ReadGraphFileBlock(const QString &path, QByteArray *block, QString *error = nullptr);
// The same from an open device (the whole device is the file).
bool ReadGraphFileBlock(QIODevice &file, QByteArray *block, QString *error = nullptr);

// ---- graph files with the user's messages ---------------------------------
// Both show a clear message on failure and return false; a failed load leaves
// the graph exactly as it was.
bool SaveGraphFile(PESGraph *graph, const QString &path);
bool LoadGraphFile(PESGraph *graph, const QString &path);
// A new graph window from a graph file, titled with the full path; null (and
// no window) when the file cannot be read or loaded.
TfrmGraph *OpenGraphFile(const QString &path);

// The save dialog for one graph; ".ghf" writes a graph file, ".txt" and
// ".csv" the graph's text export, anything else writes nothing. True when a
// file was written.
bool SaveGraphAs(PESGraph *graph, QWidget *parent = nullptr);

// ---- File menu --------------------------------------------------------------
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

// ---- file-type filters ------------------------------------------------------
// "Desc|*.GHF|Desc|*.TXT[|Desc|*.CSV]": the CSV type only when the decimal
// separator is not a comma.
QString GraphFileFilter(bool decimalIsComma);
// The same filter as a Qt filter string: each description kept as it is, its
// pattern in both cases ("Graph file(*.ghf,only for QM738) (*.GHF *.ghf)").
QString QtFilterFromPairs(const QString &pairs);

// ---- hooks for the text and collection formats ------------------------------
// Empty until those formats are built: the commands then do nothing.
namespace GraphFileHooks {
// Graph data to a text file with the given separator ('\t' or ',').
extern std::function<bool(PESGraph *graph, const QString &path, QChar separator)> ExportGraphText;
// A table window's grid to a text file (the table's own save dialog).
extern std::function<bool(QWidget *tableWindow)> SaveTableText;
// A text file opened as a table window.
extern std::function<void(const QString &path)> ImportTableText;
// The data-set collection (*.738): save from the data-logger graph, open.
extern std::function<bool(QWidget *parent)> SaveCollection;
extern std::function<void(QWidget *parent)> OpenCollection;
// A named collection file opened without asking (`qm738 FILE.738`).
extern std::function<void(const QString &path)> OpenCollectionFile;
} // namespace GraphFileHooks
