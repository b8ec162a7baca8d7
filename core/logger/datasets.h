#pragma once
// The logger memory decoded into data sets: one TDataSet per recording run,
// and for every record five values (RH, T1, T2, WET BULB, DEW POINT, in the
// graphs' subset order) with one time stamp, in two contiguous arrays that
// the graph takes in one piece.

#include <QVector>
#include <cstdint>

struct TDataSet {
    double startTime = 0.0;    // days since 30 December 1899
    int32_t intervalSeconds = 0;
    int32_t recordCount = 0;
    uint8_t unitCode = 0;      // 0 °F, 1 °C, 2 K
    int32_t coupleType = 0;    // 0..6 = K, J, E, T, N, R, S
    int32_t rhOffset = 0;      // the header byte as stored (0..255)
    int32_t t1Offset = 0;
    int32_t t2Offset = 0;
    int32_t headerOffset = 0;  // image offset of the data-set header
    int32_t endOffset = 0;     // image offset of the last trailer byte
};

struct TLoggerStore {
    QVector<TDataSet> DataSets;
    QVector<float> Values;     // five per record, data set after data set
    QVector<double> Times;     // one per record
};
