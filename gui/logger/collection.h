#pragma once
// Data-set collection files (".738"): the logger memory image byte for byte,
// nothing added. The image of the current collection is kept in the
// temporary collection file temp/DataSetsTemp.tmp under the user folder;
// saving a collection copies that file, opening one decodes the file's image
// and rewrites the temporary file.

#include <QByteArray>
#include <QString>

#include "core/files/collectionfile.h"

class QWidget;
struct TAppState;

// The folder "temp" under UserFolder (the program's folder when that is empty).
QString TempCollectionFolder();
QString TempCollectionPath();

// Writes the first `count` bytes of the image to the temporary collection
// file, whole or not at all (the previous file survives a failed write).
// False after showing a clear message (an uncreatable folder is named).
bool WriteTempCollection(const QByteArray &image, int count);

// File > Save with the data-logger graph: the save dialog, then a copy of
// the temporary collection file. LoggerDataUnsaved is cleared only when the
// copy succeeded; a failed copy leaves any existing file intact and says so.
// True when the collection was saved.
bool SaveCollection(QWidget *parent = nullptr);
// File > Open of a collection: the data-logger window first, then the open
// dialog; a file the decoder accepts becomes the store, the list, the
// temporary file and the graph of data set 0. True when that happened.
bool OpenCollection(QWidget *parent = nullptr);
// The same without the dialog, for a file named on the command line or by
// a file manager.
bool OpenCollectionFile(const QString &path, QWidget *parent = nullptr);

// LoggerDataUnsaved, kept on disk beside the temporary collection (the file
// "LoggerDataUnsaved" exists while it is set), so a download that was never
// saved is offered again after a crash.
void SetLoggerDataUnsaved(TAppState &state, bool unsaved);
QString LoggerDataUnsavedPath();
// At start, with the flag left set on disk and the temporary collection
// there: asks whether to open that download; Yes opens it as the collection
// open does and keeps the flag set, No clears it. True when it was opened.
bool OfferUnsavedDownload(TAppState &state, QWidget *parent = nullptr);
// Before something replaces an unsaved download: "Save DataLogger Data ?";
// Yes saves the collection (and goes on only when it was saved), No goes on.
// False when the caller must stop (Cancel, or a save that did not happen).
bool AskToSaveUnsavedDownload(TAppState &state, QWidget *parent = nullptr);
