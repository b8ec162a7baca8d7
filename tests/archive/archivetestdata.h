#pragma once
// Memory images for the archive's tests, written by the simulated meter as a
// real meter lays them out.

#include "core/logger/download.h"
#include "sim/simmeter.h"

#include <QDateTime>

namespace ArchiveTestData {

// A data set of `records` records from `start`, every `interval` seconds;
// the salt varies the readings.
inline TSimDataSet Set(const QDateTime &start, int records, int salt = 0, int interval = 2, uint8_t unit = 1)
{
    TSimDataSet set;
    set.start = start;
    set.intervalMinutes = uint8_t(interval / 60);
    set.intervalSeconds = uint8_t(interval % 60);
    set.unitCode = unit;
    set.records.reserve(records);
    for (int j = 0; j < records; ++j)
        set.records.append({int16_t(400 + (j * 7 + salt) % 200), int16_t(200 + (j * 3 + salt) % 50),
                            int16_t(700 + (j + salt) % 90)});
    return set;
}

// The memory image a download of a meter holding these sets brings.
inline QByteArray Image(const QVector<TSimDataSet> &sets)
{
    TSimMeter meter;
    meter.ClearMemory();
    for (const TSimDataSet &set : sets)
        meter.AddDataSet(set);
    return meter.Memory().left(TransferSizeFor(meter.EndAddress()));
}

// Download number `n` of a series: three sets of its own (days apart from
// every other download's), 1000 records each.
inline QByteArray SeriesImage(int seed, int n)
{
    const QDateTime start(QDate(2024, 1, 1).addDays(seed * 1000 + n * 3), QTime(8, 0, 0));
    return Image({Set(start, 1000, n), Set(start.addDays(1), 1000, n + 1), Set(start.addDays(2), 1000, n + 2)});
}

} // namespace ArchiveTestData
