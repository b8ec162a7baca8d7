#pragma once
// The data-set list (Grid2 of the data-logger graph window): row 0 is the
// title row, row i + 1 describes data set i. The texts of its cells, without
// any window.

#include <QString>
#include <QStringList>

struct TDataSet;
struct TLoggerStore;

// Texts of the list's cells.
QString DataSetRateText(int intervalSeconds);                 // "mm:ss"
QString DataSetOffsetText(int storedByte, int unitCode, bool temperature);

// Columns 0 to 9 of the list's row for data set `index` (from 0); the unit
// cell is a null string for an unknown unit code.
QStringList DataSetRowTexts(const TDataSet &set, int index);
