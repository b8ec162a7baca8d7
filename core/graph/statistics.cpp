#include "core/graph/statistics.h"

#include "core/base/datetime.h"
#include "core/graph/graphmodel.h"

#include <algorithm>
#include <cmath>
#include <limits>

QString ExtremeText(int channel, float value, double time)
{
    switch (channel) {
    case 0: // RH: a humidity outside 0..100 cannot be a reading
        if (value > 100.0f || value < 0.0f)
            return QStringLiteral("OL");
        break;
    case 1:
        if (value > 5000.0f || value < -390.0f)
            return QStringLiteral("OL");
        break;
    default:
        if (value > 5000.0f)
            return QStringLiteral("OL");
        if (value < -390.0f)
            return QStringLiteral("-OL");
        break;
    }
    return LocaleUtil::ValueAt(value, time);
}

QString AverageText(int count, double average)
{
    return count > 0 ? LocaleUtil::Fixed1(average) : QStringLiteral("****");
}

TGraphStatistics ComputeGraphStatistics(const TGraphModel &m)
{
    TGraphStatistics st;
    const int points = m.points;
    st.points = points;
    auto xAt = [&](int s, int p) -> double {
        return s < m.x.size() && p >= 0 && p < m.x[s].size() ? m.x[s][p] : 0.0;
    };
    auto yAt = [&](int s, int p) -> float {
        return s < m.y.size() && p >= 0 && p < m.y[s].size() ? m.y[s][p] : float(m.nullY);
    };
    if (points > 0) {
        st.start = xAt(0, 0);
        const double end = xAt(0, points - 1);
        if (points > 1) {
            const double seconds = (end - st.start) / (points - 1) * 86400.0 + 0.5;
            st.intervalSeconds = std::isfinite(seconds) && std::fabs(seconds) < 2e9 ? int(std::trunc(seconds)) : 0;
        }
    }
    st.minutesIndex = st.intervalSeconds / 60;
    st.secondsIndex = st.intervalSeconds % 60;
    st.startText = LocaleUtil::DateTimeText(st.start);
    st.dataNoText = QString::number(points);

    const int channels = std::min(3, m.subsets);
    for (int i = 0; i < points; ++i) {
        for (int k = 0; k < channels; ++k) {
            const float y = yAt(k, i);
            const double x = xAt(k, i);
            if (y > st.maximum[k]) {
                st.maximum[k] = y;
                st.maximumTime[k] = x;
            }
            if (y < st.minimum[k]) {
                st.minimum[k] = y;
                st.minimumTime[k] = x;
            }
            // Range markers (9000, -9000) and the null value stay out of the average.
            if (y > -390.0f && y < 5000.0f) {
                st.sum[k] += y;
                st.count[k] += 1;
            }
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (st.count[k] > 0)
            st.average[k] = float(double(st.sum[k]) / st.count[k]);
        st.maxText[k] = ExtremeText(k, st.maximum[k], st.maximumTime[k]);
        st.minText[k] = ExtremeText(k, st.minimum[k], st.minimumTime[k]);
        st.avgText[k] = AverageText(st.count[k], st.average[k]);
    }
    return st;
}

bool ExtendAxisToValue(double value, double *axisMin, double *axisMax)
{
    if (!std::isfinite(value) || (value >= *axisMin && value <= *axisMax))
        return false;
    if (value < *axisMin)
        *axisMin = std::floor(value / 10.0) * 10.0;
    if (value > *axisMax)
        *axisMax = std::ceil(value / 10.0) * 10.0;
    return true;
}

void AxisForValues(double minValue, double maxValue, double *axisMin, double *axisMax)
{
    if (minValue > maxValue)
        return; // no value
    if (minValue >= kUsualMinY && maxValue <= kUsualMaxY)
        return;
    if (minValue >= *axisMin && maxValue <= *axisMax)
        return;
    double low = std::floor(minValue / 10.0) * 10.0;
    double high = std::ceil(maxValue / 10.0) * 10.0;
    if (high <= low)
        high = low + 10.0; // a single value still gets a span
    *axisMin = low;
    *axisMax = high;
}

bool FitAxesToValues(TGraphModel &m)
{
    constexpr float kOverRangeValue = 9000.0f;   // "OL"
    constexpr float kUnderRangeValue = -9000.0f; // "-OL"
    bool changed = false;
    for (int a = 0; a < m.axisCount() && a < m.axes.size(); ++a) {
        double low = std::numeric_limits<double>::infinity();
        double high = -low;
        for (int s = 0; s < m.subsets && s < m.y.size(); ++s) {
            if (m.axisOfSubset(s) != a)
                continue;
            for (int p = 0; p < m.points && p < m.y[s].size(); ++p) {
                const float v = m.y[s][p];
                if (m.isNull(v) || v == kOverRangeValue || v == kUnderRangeValue || !std::isfinite(v))
                    continue;
                low = std::min(low, double(v));
                high = std::max(high, double(v));
            }
        }
        TAxisScale &axis = m.axes[a];
        double newMin = axis.minY;
        double newMax = axis.maxY;
        AxisForValues(low, high, &newMin, &newMax);
        if (newMin != axis.minY || newMax != axis.maxY) {
            axis.minY = newMin;
            axis.maxY = newMax;
            axis.control = 3; // manual minimum and maximum
            changed = true;
        }
    }
    return changed;
}
