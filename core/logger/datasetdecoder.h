#pragma once
// The logger memory image turned into data sets. Plain code over bytes: no
// window, no clock of its own (the caller passes "now", the fallback of a
// start time the meter wrote badly).
//
// Image layout, all numbers big-endian: bytes 8-9 the number of data sets;
// the first data set at 0xB00. A data set is an 18-byte header (A5 5A, the
// start time in packed BCD, the interval in minutes and seconds, unit and
// thermocouple type, the record count, three offsets), its 8-byte records
// (RH %, T1 degC, T2 degF as signed tenths, one unused word) and the two
// trailer bytes 5A A5; the next set follows at once.

#include "core/logger/datasets.h"

#include <QByteArray>
#include <QDateTime>
#include <QPair>
#include <QVector>
#include <cstdint>

namespace LoggerImage {
constexpr int MemorySize = 262144;     // the meter's logger memory, bytes
constexpr int FirstDataSet = 0xB00;    // offset of the first data-set header
constexpr int HeaderSize = 18;
constexpr int RecordSize = 8;
constexpr int MaxDataSets = 4000;
} // namespace LoggerImage

// Results of DecodeDataSets.
enum TDecodeResult { DecodeOk = 0, DecodeTooManySets = 2, DecodeNoDataSet = 6 };

// 16-bit two's complement of a high and a low byte.
int DecodeSignedWord(uint8_t high, uint8_t low);
// A packed BCD byte as a decimal number (0x25 gives 25); false when a nibble
// is above 9 (0x1A), `value` then untouched.
bool DecodeBcdByte(uint8_t byte, int &value);

// Decodes the image into `store`: DecodeOk, DecodeTooManySets (more than 4000
// sets announced) or DecodeNoDataSet (none announced, or none inside the
// image). `store` is replaced only on DecodeOk. Never reads outside the image:
// a set whose records run past its end keeps the whole records inside (and
// ends the decode), a header past the end ends the decode before it.
int DecodeDataSets(const QByteArray &image, TLoggerStore &store, const QDateTime &now);

// First element of data set d in the value and time arrays: five per record
// of the sets before it.
qsizetype FirstValueOf(const TLoggerStore &store, int d);

// A memory image holding the given data sets, each given as its 18 header
// bytes and its 8-byte records as they lie in the memory (the header's
// record count is set from the records, the trailer added): what
// DecodeDataSets reads back and what a collection file holds.
QByteArray ComposeMemoryImage(const QVector<QPair<QByteArray, QByteArray>> &sets);
