#include "core/record/rtrecording.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsMarker(float v)
{
    return v == RealTimeOverRange || v == RealTimeUnderRange || v == RealTimeNull || !std::isfinite(v);
}

bool KnownTemperatureUnit(int unit)
{
    return unit == UnitFahrenheit || unit == UnitCelsius || unit == UnitKelvin;
}

bool Flagged(uint8_t status, int bitA, int bitB)
{
    return (status & (1u << bitA)) || (status & (1u << bitB));
}

constexpr double kKelvinOffset = 273.2; // as the meter and DecodeLiveReply count

} // namespace

float ConvertTemperature(float value, int from, int to)
{
    if (from == to || IsMarker(value) || !KnownTemperatureUnit(from) || !KnownTemperatureUnit(to))
        return value;
    double celsius = value;
    if (from == UnitFahrenheit)
        celsius = (double(value) - 32.0) * 5.0 / 9.0;
    else if (from == UnitKelvin)
        celsius = double(value) - kKelvinOffset;
    double out = celsius;
    if (to == UnitFahrenheit)
        out = celsius * 9.0 / 5.0 + 32.0;
    else if (to == UnitKelvin)
        out = celsius + kKelvinOffset;
    return float(out);
}

void PlottedValues(const TRealTimePoint &p, float out[5])
{
    const bool rhFlag = Flagged(p.status, 0, 4);
    const bool t1Flag = Flagged(p.status, 1, 5);
    const bool t2Flag = Flagged(p.status, 2, 6);
    out[0] = rhFlag ? RealTimeOverRange : p.y[0];
    out[1] = t1Flag ? RealTimeOverRange : p.y[1];
    out[2] = p.y[2];
    if (t2Flag) {
        if (p.y[2] > 0)
            out[2] = RealTimeOverRange;
        else if (p.y[2] < 0)
            out[2] = RealTimeUnderRange;
    }
    const bool derivedInvalid = rhFlag || t1Flag;
    out[3] = derivedInvalid ? RealTimeNull : p.y[3];
    out[4] = derivedInvalid ? RealTimeNull : p.y[4];
}

TRealTimeRecording::TRealTimeRecording(QObject *parent)
    : QObject(parent)
{
}

TRealTimeRecording::~TRealTimeRecording()
{
    delete m_ownState;
}

void TRealTimeRecording::Bind(TAppState *state)
{
    m_state = state;
}

TAppState &TRealTimeRecording::State() const
{
    if (m_state)
        return *m_state;
    auto *self = const_cast<TRealTimeRecording *>(this);
    if (!self->m_ownState)
        self->m_ownState = new TAppState;
    return *self->m_ownState;
}

bool TRealTimeRecording::Recording() const { return State().RealTimeRecording; }
int TRealTimeRecording::Count() const { return State().RealTimePointCount; }
bool TRealTimeRecording::Unsaved() const { return State().RealTimeGraphUnsaved; }
void TRealTimeRecording::SetUnsaved(bool unsaved) { State().RealTimeGraphUnsaved = unsaved; }

bool TRealTimeRecording::Start(int capacity, int rate, double start, int unit, const TRealTimeJournalHeader &look,
                               const QString &journalPath, QString *journalError)
{
    TAppState &st = State();
    m_capacity = std::max(0, capacity);
    m_rate = rate;
    m_start = start;
    m_unit = KnownTemperatureUnit(unit) ? unit : UnitUnknown;
    m_meterUnit = m_unit;
    m_points.clear();
    m_points.reserve(m_capacity);
    m_extremes.Reset();
    st.RealTimeRate = rate;
    st.RealTimePointCount = 0;
    st.RealTimeRecording = true;
    emit Started();
    if (journalPath.isEmpty())
        return true;
    TRealTimeJournalHeader header = look;
    header.start = start;
    header.rate = rate;
    header.points = m_capacity;
    header.unitCode = m_unit;
    return m_journal.Begin(journalPath, header, journalError);
}

int TRealTimeRecording::Place(int n, const TRealTimePoint &point)
{
    if (m_points.size() <= n)
        m_points.resize(n + 1);
    m_points[n] = point;
    int newExtremes = 0;
    for (int k = 0; k < 3; ++k) {
        const float v = point.y[k];
        if (v > m_extremes.maximum[k]) {
            m_extremes.maximum[k] = v;
            m_extremes.maximumAt[k] = n;
            newExtremes |= 1 << (2 * k);
        }
        if (v < m_extremes.minimum[k]) {
            m_extremes.minimum[k] = v;
            m_extremes.minimumAt[k] = n;
            newExtremes |= 1 << (2 * k + 1);
        }
    }
    return newExtremes;
}

TRealTimeRecording::TAppend TRealTimeRecording::Append(uint8_t status, double time, const float values[5], int unit,
                                                      int limit)
{
    TAppState &st = State();
    const int n = st.RealTimePointCount;
    if (limit < 0)
        limit = m_capacity;
    if (n < 0 || n >= limit)
        return TAppend::Full;

    // One unit per recording: the first known unit is the recording's; a
    // reading in another is converted into it before anything else sees it.
    if (KnownTemperatureUnit(unit)) {
        if (m_unit == UnitUnknown)
            m_unit = unit;
        if (unit != m_meterUnit) {
            const bool first = m_meterUnit == UnitUnknown;
            m_meterUnit = unit;
            if (!first || unit != m_unit)
                emit MeterUnitChanged(unit, m_unit);
        }
    }
    TRealTimePoint point;
    point.x = time;
    point.status = status;
    std::copy(values, values + 5, point.y);
    const int from = KnownTemperatureUnit(unit) ? unit : m_unit;
    if (from != m_unit) {
        // A flagged channel keeps its value: only its sign is looked at.
        const bool rhFlag = Flagged(status, 0, 4);
        const bool t1Flag = Flagged(status, 1, 5);
        const bool flagged[5] = {true, t1Flag, Flagged(status, 2, 6), rhFlag || t1Flag, rhFlag || t1Flag};
        for (int k = 1; k < 5; ++k)
            if (!flagged[k])
                point.y[k] = ConvertTemperature(point.y[k], from, m_unit);
    }
    const int newExtremes = Place(n, point);
    // Only a running recording is journaled (the poll cycle marks it unsaved).
    if (st.RealTimeRecording)
        m_journal.Append(point); // a failure is told through the journal's TakeFailure
    st.RealTimePointCount = n + 1;
    emit PointAppended(n, newExtremes);
    return TAppend::Appended;
}

void TRealTimeRecording::Stop()
{
    State().RealTimeRecording = false;
    m_journal.SyncIfDue();
    if (m_points.size() > Count())
        m_points.resize(std::max(0, Count()));
    emit Stopped();
}

void TRealTimeRecording::Clear()
{
    TAppState &st = State();
    st.RealTimeRecording = false;
    st.RealTimePointCount = 0;
    m_points.clear();
    m_extremes.Reset();
    m_journal.Remove();
    emit Cleared();
}

bool TRealTimeRecording::Recover(const QString &path, const TRealTimeJournalContents &contents)
{
    TAppState &st = State();
    const int n = int(contents.points.size());
    if (n <= 0 || st.RealTimeRecording)
        return false;
    const TRealTimeJournalHeader &h = contents.header;
    m_capacity = n;
    m_rate = std::max(1, h.rate);
    m_start = h.start;
    // A journal written before the unit was stored recovers in an unknown unit.
    m_unit = KnownTemperatureUnit(h.unitCode) ? h.unitCode : UnitUnknown;
    m_meterUnit = m_unit;
    m_points.clear();
    m_extremes.Reset();
    for (int p = 0; p < n; ++p)
        Place(p, contents.points[p]);
    st.RealTimeRate = m_rate;
    st.RealTimePointCount = n;
    st.RealTimeGraphUnsaved = true;
    // The journal stays until the recovered recording is saved, cleared or discarded.
    m_journal.Adopt(path);
    emit Recovered();
    return true;
}

void TRealTimeRecording::Averages(double average[3], int counted[3]) const
{
    const int count = std::min(Count(), int(m_points.size()));
    double sum[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k)
        counted[k] = 0;
    for (int p = 0; p < count; ++p) {
        float y[5];
        PlottedValues(m_points[p], y);
        for (int k = 0; k < 3; ++k) {
            if (y[k] > -300.0f && y[k] < 3000.0f) {
                sum[k] += y[k];
                ++counted[k];
            }
        }
    }
    for (int k = 0; k < 3; ++k)
        average[k] = counted[k] ? sum[k] / counted[k] : 0.0;
}

QString TRealTimeRecording::ExtremeText(int k, bool maximum) const
{
    const int at = maximum ? m_extremes.maximumAt[k] : m_extremes.minimumAt[k];
    if (k < 0 || k > 2 || at < 0 || at >= m_points.size())
        return QString();
    const TRealTimePoint &p = m_points[at];
    const float v = maximum ? m_extremes.maximum[k] : m_extremes.minimum[k];
    if (!Flagged(p.status, k, k + 4))
        return LocaleUtil::ValueAt(v, p.x);
    if (k < 2 || v > 0)
        return QStringLiteral("OL");
    if (v < 0)
        return QStringLiteral("-OL");
    return LocaleUtil::ValueAt(v, p.x);
}
