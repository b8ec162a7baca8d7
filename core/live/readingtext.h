#pragma once
// One live reading as a line of text: the CSV and JSON lines of
// `qm738-cli read`, and the state message that `qm738-cli publish` sends.
// A channel that the meter flags as out of range (status bits 0/4 RH,
// 1/5 T1, 2/6 T2) is printed as OL / -OL in CSV and null in JSON, never
// as the number the meter sent with the flag; WET BULB and DEW POINT are
// left empty (null) when RH or T1 is flagged, as the real-time graph
// leaves them out.

#include "core/live/livereading.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// The names of the flagged channels, in the order RH, T1, T2.
QStringList FlaggedChannels(uint8_t status);

// "C", "F", "K", or empty for the unit code 3 (none).
QString ReadingUnitText(uint8_t unitCode);

// The header of the CSV lines.
QString ReadingCsvHeader();

// time,RH,T1,T2,WET BULB,DEW POINT,unit
QString ReadingCsvLine(const TLiveReading &reading, const QDateTime &time);

// {"time":...,"RH":...,"T1":...,"T2":...,"WET BULB":...,"DEW POINT":...,
//  "unit":...,"flags":[...]} on one line. The time is ISO 8601 with
// milliseconds (readings less than a second apart keep distinct times) and
// its offset from UTC, in the CSV line too.
QString ReadingJsonLine(const TLiveReading &reading, const QDateTime &time);
