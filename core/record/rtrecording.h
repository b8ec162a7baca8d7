#pragma once
// The real-time recording as a model of its own, without windows: the points
// the poll cycle hands over, the recording's one unit, the sampling rate, the
// running extremes and the averages, the journal on disk and the unsaved
// state. The real-time graph window observes it (its signals) and draws it;
// tests drive it without a window.
//
// The flags that the poll cycle and the windows share (RealTimeRecording,
// RealTimePointCount, RealTimeGraphUnsaved) stay in the process-wide state:
// the model reads and writes them there, so the poll cycle (core/link), the
// close and logout questions and the model always agree.

#include "core/files/rtjournal.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <cstdint>

struct TAppState;

// Y values with a meaning of their own.
constexpr float RealTimeOverRange = 9000.0f;    // "OL"
constexpr float RealTimeUnderRange = -9000.0f;  // "-OL"
constexpr float RealTimeNull = 9999.0f;         // not drawn

// Unit codes, as in live readings and data sets.
enum TUnitCode : int { UnitUnknown = -1, UnitFahrenheit = 0, UnitCelsius = 1, UnitKelvin = 2, UnitNone = 3 };

// A temperature in unit `from` in unit `to` (°F, °C, K; K = °C + 273.2 as
// the meter and the live decoder count), computed in double and rounded
// once to single precision. Markers (9000, -9000, 9999) and values of an
// unknown or no unit are returned as they are.
float ConvertTemperature(float value, int from, int to);

// One point as the recording keeps it: the status byte of the live reply, the
// time, and RH, T1, T2, WET BULB, DEW POINT in the recording's unit.
using TRealTimePoint = TRealTimeJournalPoint;

// What the graph draws for a point: flagged channels as "OL"/"-OL" markers,
// WET BULB and DEW POINT not drawn (null) when RH or T1 is flagged.
void PlottedValues(const TRealTimePoint &point, float out[5]);

// The running extremes of RH, T1, T2 and the point where each was reached.
struct TRealTimeExtremes {
    float maximum[3] = {-9999.0f, -9999.0f, -9999.0f};
    float minimum[3] = {9999.0f, 9999.0f, 9999.0f};
    int maximumAt[3] = {-1, -1, -1};
    int minimumAt[3] = {-1, -1, -1};
    void Reset() { *this = TRealTimeExtremes(); }
};

class TRealTimeRecording : public QObject
{
    Q_OBJECT
public:
    explicit TRealTimeRecording(QObject *parent = nullptr);
    ~TRealTimeRecording() override;

    // The process-wide state whose flags the model keeps (see above); a
    // model without one keeps its own.
    void Bind(TAppState *state);
    TAppState &State() const;

    // Starts a recording of at most `capacity` points, one every `rate`
    // seconds from `start`, in `unit` (the meter's unit now; UnitUnknown:
    // the first point's). The journal is begun at `journalPath` with
    // `look` (labels, colours) unless the path is empty; false with the
    // reason when it cannot be written (the recording runs all the same).
    bool Start(int capacity, int rate, double start, int unit, const TRealTimeJournalHeader &look,
               const QString &journalPath, QString *journalError);

    enum class TAppend { Appended, Full };
    // Appends a reading in `unit` (UnitUnknown: the recording's own) at
    // index Count(): converted into the recording's unit first, then kept,
    // journaled and counted. Full (nothing kept) when Count() has reached
    // `limit` (the capacity when negative).
    TAppend Append(uint8_t status, double time, const float values[5], int unit = UnitUnknown, int limit = -1);
    // Ends the recording (RealTimeRecording off); the journal is synced.
    void Stop();
    // Forgets the points and the journal (saved, cleared or discarded).
    void Clear();
    // Takes a journaled recording back as after Stop, marked unsaved, and
    // owns its journal. False when there is nothing to take.
    bool Recover(const QString &path, const TRealTimeJournalContents &contents);

    bool Recording() const;
    int Count() const;                 // points recorded (RealTimePointCount)
    int Capacity() const { return m_capacity; }
    int Rate() const { return m_rate; }
    double StartTime() const { return m_start; }
    int Unit() const { return m_unit; }  // UnitUnknown until known
    // The unit the meter showed at the last reading (UnitUnknown before one).
    int MeterUnit() const { return m_meterUnit; }
    bool Unsaved() const;
    void SetUnsaved(bool unsaved);
    const QVector<TRealTimePoint> &Points() const { return m_points; }
    const TRealTimeExtremes &Extremes() const { return m_extremes; }
    // The averages of the plotted RH, T1, T2 over the points recorded, the
    // values strictly between -300 and 3000 counted; `counted` per channel.
    void Averages(double average[3], int counted[3]) const;
    // The text of an extreme of channel k: value@time, or "OL"/"-OL" for a
    // flagged channel.
    QString ExtremeText(int channel, bool maximum) const;

    TRealTimeJournal &Journal() { return m_journal; }

signals:
    void Started();
    // Point `index` was recorded; `newExtremes` lists, as bits 2k (maximum)
    // and 2k+1 (minimum), the extremes it set.
    void PointAppended(int index, int newExtremes);
    void Stopped();
    void Cleared();
    void Recovered();
    // The meter's unit now differs from the recording's (or agrees again).
    void MeterUnitChanged(int meterUnit, int recordingUnit);

private:
    int Place(int index, const TRealTimePoint &point);

    TAppState *m_state = nullptr;
    TAppState *m_ownState = nullptr;
    QVector<TRealTimePoint> m_points;
    TRealTimeExtremes m_extremes;
    TRealTimeJournal m_journal;
    int m_capacity = 0;
    int m_rate = 2;
    double m_start = 0;
    int m_unit = UnitUnknown;
    int m_meterUnit = UnitUnknown;
};
