#pragma once
// Data-set collection files (".738"): the logger memory image byte for byte,
// nothing added. The image of the current collection is kept in the
// temporary collection file temp/DataSetsTemp.tmp under the user folder;
// saving a collection copies that file, opening one decodes the file's image
// and rewrites the temporary file.

#include <QByteArray>
#include <QString>

class QWidget;

// The folder "temp" under UserFolder (the program's folder when that is empty).
QString TempCollectionFolder();
QString TempCollectionPath();

// Writes `data` to `path` whole or not at all (QSaveFile): an existing file
// stays as it was unless the new one is complete. False with the reason.
bool WriteFileWhole(const QString &path, const QByteArray &data, QString *error);

// Writes the first `count` bytes of the image to the temporary collection
// file, whole or not at all (the previous file survives a failed write).
// False after showing a clear message (an uncreatable folder is named).
bool WriteTempCollection(const QByteArray &image, int count);

// Reads a collection file; false with a reason for a file that cannot be
// read, is empty or is larger than the meter's memory (never read then).
bool ReadCollectionFile(const QString &path, QByteArray *image, QString *error = nullptr);

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

// Connects the File menu's collection commands (GraphFileHooks) to the above.
void InstallCollectionHooks();
