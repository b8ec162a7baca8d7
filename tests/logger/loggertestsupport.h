#pragma once
// Memory images written byte by byte, independently of the simulator's own
// writer, for the data-set tests.

#include <QByteArray>
#include <QVector>
#include <array>
#include <cstdint>

namespace LoggerTest {

struct SetSpec {
    // Header bytes 3 to 8: year, month, day, hour, minute, second (BCD as written).
    std::array<uint8_t, 6> start{0x25, 0x06, 0x14, 0x13, 0x45, 0x30};
    uint8_t minutes = 0, seconds = 2;
    uint8_t unitCouple = 0x10;          // unit code << 4 | thermocouple type
    uint8_t rh = 0, t1 = 0, t2 = 0;     // offset bytes
    QVector<std::array<uint16_t, 3>> records; // RH, T1, T2 words
};

inline void Put16(QByteArray &a, int at, int v)
{
    a[at] = char((v >> 8) & 0xFF);
    a[at + 1] = char(v & 0xFF);
}

// An image announcing `announced` sets and holding `sets` from 0xB00 on.
inline QByteArray Image(int announced, const QVector<SetSpec> &sets)
{
    QByteArray a(0xB00, char(0xFF));
    Put16(a, 8, announced);
    for (const SetSpec &s : sets) {
        const int p = a.size();
        a.append(QByteArray(20 + 8 * s.records.size(), 0));
        a[p] = char(0xA5);
        a[p + 1] = char(0x5A);
        for (int i = 0; i < 6; ++i)
            a[p + 3 + i] = char(s.start[i]);
        a[p + 9] = char(s.minutes);
        a[p + 10] = char(s.seconds);
        a[p + 11] = char(s.unitCouple);
        Put16(a, p + 12, s.records.size());
        a[p + 14] = char(s.rh);
        a[p + 15] = char(s.t1);
        a[p + 16] = char(s.t2);
        for (int j = 0; j < s.records.size(); ++j)
            for (int w = 0; w < 3; ++w)
                Put16(a, p + 18 + 8 * j + 2 * w, s.records[j][w]);
        a[a.size() - 2] = char(0x5A);
        a[a.size() - 1] = char(0xA5);
    }
    return a;
}

inline SetSpec Set(QVector<std::array<uint16_t, 3>> records, uint8_t unitCouple = 0x10)
{
    SetSpec s;
    s.records = std::move(records);
    s.unitCouple = unitCouple;
    return s;
}

} // namespace LoggerTest
