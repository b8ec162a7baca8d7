#pragma once
// Data-set collection files (".738"): the logger memory image byte for byte,
// nothing added. Reading and writing them, without any window.

#include <QByteArray>
#include <QString>

// Writes `data` to `path` whole or not at all (QSaveFile): an existing file
// stays as it was unless the new one is complete. False with the reason.
bool WriteFileWhole(const QString &path, const QByteArray &data, QString *error);

// Reads a collection file; false with a reason for a file that cannot be
// read, is empty or is larger than the meter's memory (never read then).
bool ReadCollectionFile(const QString &path, QByteArray *image, QString *error = nullptr);
