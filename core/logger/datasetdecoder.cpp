#include "core/logger/datasetdecoder.h"

#include "core/base/datetime.h"
#include "core/base/bytes.h"
#include "core/live/decoder.h"
#include "core/live/derived.h"

#include <algorithm>

namespace {

constexpr float OverRange = 9000.0f;
constexpr float UnderRange = -9000.0f;
constexpr float NoValue = 9999.0f;

// One field of the start time: the BCD byte, or the computer's value of that
// field when the byte is not BCD.
int BcdOr(uint8_t byte, int fallback)
{
    int value = 0;
    return DecodeBcdByte(byte, value) ? value : fallback;
}

double StartTimeOf(const uint8_t *h, const QDateTime &now)
{
    const QDate today = now.date();
    const QTime clock = now.time();
    int year = today.year();
    int number = 0;
    if (DecodeBcdByte(h[3], number))
        year = 2000 + number;
    const int month = BcdOr(h[4], today.month());
    const int day = BcdOr(h[5], today.day());
    const int hour = BcdOr(h[6], clock.hour());
    const int minute = BcdOr(h[7], clock.minute());
    const int second = BcdOr(h[8], clock.second());
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return DateTimeUtil::ToDays(now);
    return DateTimeUtil::ToDays(QDateTime(date, time));
}

int IntervalOf(uint8_t minutesByte, uint8_t secondsByte)
{
    int m = minutesByte > 60 ? 0 : minutesByte;
    int s = secondsByte > 60 ? 2 : secondsByte;
    if (m == 0 && s == 0)
        s = 2;
    return 60 * m + s;
}

// Wet bulb and dew point of the last (T1, RH) pair: readings change slowly,
// so consecutive records often repeat it and the costly functions run once.
struct TDerivedMemo {
    float t1 = 0, rh = -1, wetBulb = 0, dewPoint = 0;
    void Compute(float temperature, float humidity)
    {
        if (temperature == t1 && humidity == rh)
            return;
        t1 = temperature;
        rh = humidity;
        wetBulb = WetBulb(temperature, humidity);
        dewPoint = DewPoint(temperature, humidity);
    }
};

// Appends the five entries of one record: RH, T1, T2, WET BULB, DEW POINT.
void AppendRecord(const uint8_t *rec, const TDataSet &set, double t, TDerivedMemo &memo, TLoggerStore &store)
{
    const auto tenths = [rec](int word) {
        return float(DecodeSignedWord(rec[2 * word], rec[2 * word + 1]) * 0.1);
    };

    float rh = tenths(0);
    const bool rhValid = rh >= 0.0f && rh <= 100.0f;
    if (!rhValid)
        rh = OverRange;

    float t1 = tenths(1);
    float wetBulb = NoValue;
    float dewPoint = NoValue;
    if (t1 >= -25.0f && t1 <= 65.0f) {
        if (rhValid) {
            memo.Compute(t1, rh);
            wetBulb = memo.wetBulb;
            dewPoint = memo.dewPoint;
        }
        if (set.unitCode == 0) {
            t1 = float(t1 * 1.8 + 32);
            if (rhValid) {
                wetBulb = float(wetBulb * 1.8 + 32);
                dewPoint = float(dewPoint * 1.8 + 32);
            }
        } else if (set.unitCode == 2) {
            t1 = float(t1 + 273.15);
            if (rhValid) {
                wetBulb = float(wetBulb + 273.15);
                dewPoint = float(dewPoint + 273.15);
            }
        }
    } else {
        t1 = OverRange;
    }

    // T2 is recorded in degF in every set and checked against the Fahrenheit
    // limits before it is shown in the set's unit.
    float t2 = tenths(2);
    const uint8_t range = CheckCoupleRange(0, uint8_t(set.coupleType), t2);
    if (range == CoupleBelowLower || range == CoupleBelowFar) {
        t2 = UnderRange;
    } else if (range == CoupleAboveUpper) {
        t2 = OverRange;
    } else if (set.unitCode != 0) {
        t2 = LiveFahrenheitToCelsius(t2); // as the live display does, to the last bit
        if (set.unitCode == 2)
            t2 = float(t2 + 273.15);
    }

    for (float v : {rh, t1, t2, wetBulb, dewPoint}) {
        store.Values.append(v);
        store.Times.append(t);
    }
}

} // namespace

int DecodeSignedWord(uint8_t high, uint8_t low)
{
    const int x = high * 256 + low;
    return high < 0x80 ? x : x - 65536;
}

bool DecodeBcdByte(uint8_t byte, int &value)
{
    const int hi = byte >> 4;
    const int lo = byte & 0x0F;
    if (hi > 9 || lo > 9)
        return false;
    value = hi * 10 + lo;
    return true;
}

int DecodeDataSets(const QByteArray &image, TLoggerStore &store, const QDateTime &now)
{
    using namespace LoggerImage;
    const auto *bytes = reinterpret_cast<const uint8_t *>(image.constData());
    const qsizetype size = image.size();
    if (size < 10)
        return DecodeNoDataSet;
    const int n = LinkBytes::ReadBE16(bytes + 8);
    if (n == 0)
        return DecodeNoDataSet;
    if (n > MaxDataSets)
        return DecodeTooManySets;

    // Header pass. Offsets are kept in qsizetype until they are known to lie
    // inside the image, so a damaged count cannot overflow them.
    TLoggerStore fresh;
    fresh.DataSets.reserve(n);
    qsizetype totalRecords = 0;
    qsizetype p = FirstDataSet;
    for (int i = 0; i < n; ++i) {
        if (p + HeaderSize > size)
            break; // the header lies past the end: the decode ends before it
        const uint8_t *h = bytes + p;
        TDataSet set;
        set.headerOffset = int32_t(p);
        set.recordCount = LinkBytes::ReadBE16(h + 12);
        // Only the whole records that lie inside the image are kept.
        const qsizetype inside = (size - p - HeaderSize) / RecordSize;
        const bool cut = set.recordCount > inside;
        if (cut)
            set.recordCount = int32_t(inside);
        set.endOffset = int32_t(p + 19 + qsizetype(RecordSize) * set.recordCount);
        set.coupleType = h[11] & 0x0F;
        set.rhOffset = h[14];
        set.t1Offset = h[15];
        set.t2Offset = h[16];
        set.startTime = StartTimeOf(h, now);
        set.unitCode = uint8_t(h[11] >> 4);
        set.intervalSeconds = IntervalOf(h[9], h[10]);
        fresh.DataSets.append(set);
        totalRecords += set.recordCount;
        if (cut)
            break; // nothing of a later set can lie inside the image
        p = qsizetype(set.endOffset) + 1;
    }
    if (fresh.DataSets.isEmpty())
        return DecodeNoDataSet;

    // Value pass: five entries per record, all with the record's time.
    fresh.Values.reserve(5 * totalRecords);
    fresh.Times.reserve(5 * totalRecords);
    TDerivedMemo memo;
    for (const TDataSet &set : std::as_const(fresh.DataSets)) {
        const double step = set.intervalSeconds / 86400.0;
        const uint8_t *rec = bytes + set.headerOffset + HeaderSize;
        for (int r = 0; r < set.recordCount; ++r, rec += RecordSize)
            AppendRecord(rec, set, set.startTime + r * step, memo, fresh);
    }

    store = std::move(fresh);
    return DecodeOk;
}

qsizetype FirstValueOf(const TLoggerStore &store, int d)
{
    qsizetype records = 0;
    for (int i = 0; i < d && i < store.DataSets.size(); ++i)
        records += store.DataSets.at(i).recordCount;
    return 5 * records;
}

QByteArray ComposeMemoryImage(const QVector<QPair<QByteArray, QByteArray>> &sets)
{
    using namespace LoggerImage;
    qsizetype size = FirstDataSet;
    for (const auto &set : sets)
        size += HeaderSize + set.second.size() / RecordSize * RecordSize + 2;
    QByteArray image(size, '\0');
    auto *bytes = reinterpret_cast<uint8_t *>(image.data());
    LinkBytes::WriteBE16(bytes + 8, uint16_t(sets.size()));
    const uint32_t end = uint32_t(std::min<qsizetype>(size - 1, 0xFFFFFF));
    bytes[10] = uint8_t(end >> 16);
    bytes[11] = uint8_t(end >> 8);
    bytes[12] = uint8_t(end);
    qsizetype p = FirstDataSet;
    for (const auto &set : sets) {
        const int records = int(std::min<qsizetype>(set.second.size() / RecordSize, 0xFFFF));
        std::copy_n(set.first.constData(), std::min<qsizetype>(set.first.size(), HeaderSize), image.data() + p);
        bytes[p] = 0xA5;
        bytes[p + 1] = 0x5A;
        LinkBytes::WriteBE16(bytes + p + 12, uint16_t(records));
        p += HeaderSize;
        std::copy_n(set.second.constData(), qsizetype(records) * RecordSize, image.data() + p);
        p += qsizetype(records) * RecordSize;
        bytes[p] = 0x5A;
        bytes[p + 1] = 0xA5;
        p += 2;
    }
    image.truncate(p);
    return image;
}
