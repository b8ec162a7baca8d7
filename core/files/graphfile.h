#pragma once
// Graph files (".ghf"): a 4-byte little-endian length N followed by the N
// bytes of the graph block, nothing after; and the file-type filters of the
// graph save and open dialogs. Plain code, no messages.

#include <QByteArray>
#include <QString>

class QIODevice;

// Writes whole or not at all: an existing file survives a failed write.
bool WriteGraphFileBlock(const QString &path, const QByteArray &block, QString *error = nullptr);
// Reads the block. Fails, with a reason, on a file that cannot be opened, is
// shorter than 4 bytes or whose length field exceeds what the file holds.
bool ReadGraphFileBlock(const QString &path, QByteArray *block, QString *error = nullptr);
// The same from an open device (the whole device is the file).
bool ReadGraphFileBlock(QIODevice &file, QByteArray *block, QString *error = nullptr);

// ---- file-type filters ------------------------------------------------------
// "Desc|*.GHF|Desc|*.TXT|Desc|*.CSV"; the CSV type says ";" when the decimal
// separator is a comma.
QString GraphFileFilter(bool decimalIsComma);
// The same filter as a Qt filter string: each description kept as it is, its
// pattern in both cases ("Graph file(*.ghf,only for QM738) (*.GHF *.ghf)").
QString QtFilterFromPairs(const QString &pairs);
