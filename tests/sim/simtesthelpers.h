#pragma once
// Small readers the simulator tests check the meter's bytes with. They follow
// the wire and memory layouts independently of the simulator's own writers.

#include <QByteArray>
#include <QDateTime>
#include <QVector>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>

#include "core/link/frames.h"
#include "core/live/decoder.h"

inline std::array<uint8_t, 7> Frame(char command, int page = 0)
{
    return {0x02, uint8_t(command), uint8_t(page >> 8), uint8_t(page & 0xFF), 0, 0, 0x03};
}

inline uint8_t U8(const QByteArray &a, int i) { return uint8_t(a.at(i)); }

inline int BE16(const QByteArray &a, int i) { return U8(a, i) << 8 | U8(a, i + 1); }
inline int SBE16(const QByteArray &a, int i) { return int16_t(uint16_t(BE16(a, i))); }

// The program's own checks of the replies.
inline const uint8_t *Raw(const QByteArray &r) { return reinterpret_cast<const uint8_t *>(r.constData()); }
inline bool LiveReplyOk(const QByteArray &r) { return CheckLiveReply(Raw(r), int(r.size())); }
inline bool PageReplyOk(const QByteArray &r)
{
    return r.size() >= 36 && CheckPageReply(Raw(r), int(r.size()), 0, TLinkKind::Serial);
}
inline bool IdentityOk(const QByteArray &r) { return CheckIdentity(Raw(r), int(r.size())); }

// The number four display digits show, or nothing when they do not read as one.
inline std::optional<double> ReadDigits(const uint8_t glyphs[4], bool point, bool minus)
{
    long long v = 0;
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        const uint8_t g = glyphs[i];
        if (g == GlyphBlank && !any)
            continue;
        if (g == GlyphMinus && !any) {
            minus = true;
            continue;
        }
        if (g > 9)
            return std::nullopt;
        v = v * 10 + g;
        any = true;
    }
    if (!any)
        return std::nullopt;
    double d = point ? v / 10.0 : double(v);
    return minus ? -d : d;
}

struct TParsedSet {
    int offset = 0;
    QDateTime start;
    int intervalMinutes = 0, intervalSeconds = 0, unit = 0, type = 0;
    int rhOffset = 0, t1Offset = 0, t2Offset = 0;
    QVector<std::array<int, 3>> records;
    bool markersOk = false;
};

inline int FromBcd(uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

inline QVector<TParsedSet> ParseMemory(const QByteArray &m, int *endAddress = nullptr)
{
    QVector<TParsedSet> sets;
    const int n = BE16(m, 8);
    if (endAddress)
        *endAddress = U8(m, 10) << 16 | U8(m, 11) << 8 | U8(m, 12);
    int p = 0xB00;
    for (int i = 0; i < n && p + 20 <= m.size(); ++i) {
        TParsedSet s;
        s.offset = p;
        s.start = QDateTime(QDate(2000 + FromBcd(U8(m, p + 3)), FromBcd(U8(m, p + 4)), FromBcd(U8(m, p + 5))),
                            QTime(FromBcd(U8(m, p + 6)), FromBcd(U8(m, p + 7)), FromBcd(U8(m, p + 8))));
        s.intervalMinutes = U8(m, p + 9);
        s.intervalSeconds = U8(m, p + 10);
        s.unit = U8(m, p + 11) >> 4;
        s.type = U8(m, p + 11) & 0x0F;
        const int count = BE16(m, p + 12);
        s.rhOffset = int8_t(U8(m, p + 14));
        s.t1Offset = int8_t(U8(m, p + 15));
        s.t2Offset = int8_t(U8(m, p + 16));
        for (int j = 0; j < count; ++j) {
            const int q = p + 18 + 8 * j;
            s.records.append({SBE16(m, q), SBE16(m, q + 2), SBE16(m, q + 4)});
        }
        const int trailer = p + 18 + 8 * count;
        s.markersOk = U8(m, p) == 0xA5 && U8(m, p + 1) == 0x5A && U8(m, trailer) == 0x5A
                      && U8(m, trailer + 1) == 0xA5;
        sets.append(s);
        p = trailer + 2;
    }
    return sets;
}
