#pragma once
// Statistics of a whole graph: start time, number of points, sampling
// interval, and for RH, T1 and T2 the maximum and minimum with the time each
// occurred and the average. Plain code over the graph's data.

#include <QString>

struct TGraphModel;

struct TGraphStatistics {
    int points = 0;
    double start = 0;              // X of the first point
    int intervalSeconds = 0;       // sampling interval, rounded to whole seconds
    int minutesIndex = 0;          // position of the minutes list (may lie beyond its items)
    int secondsIndex = 0;
    float maximum[3] = {-9999.0f, -9999.0f, -9999.0f};
    float minimum[3] = {9999.0f, 9999.0f, 9999.0f};
    double maximumTime[3] = {0, 0, 0};
    double minimumTime[3] = {0, 0, 0};
    float sum[3] = {0, 0, 0};
    int count[3] = {0, 0, 0};
    float average[3] = {0, 0, 0};

    // Texts as the statistics edits show them.
    QString startText;
    QString dataNoText;
    QString maxText[3];
    QString minText[3];
    QString avgText[3];
};

// Channels 0 RH, 1 T1, 2 T2 (subsets 0, 1, 2).
TGraphStatistics ComputeGraphStatistics(const TGraphModel &model);

// Text of a maximum or minimum: "OL" / "-OL" beyond the channel's range,
// else value@date time.
QString ExtremeText(int channel, float value, double time);
// Text of an average: one decimal, or "****" when nothing was counted.
QString AverageText(int count, double average);

// ---- the Y axis of a graph that is opened --------------------------------------

// The range a graph's values are normally shown on.
constexpr double kUsualMinY = -20.0;
constexpr double kUsualMaxY = 100.0;

// The Y axis that shows every value of [minValue, maxValue]: kept as
// [axisMin, axisMax] when the values lie within the usual range or within
// the axis already, else the values' extent widened to round tens.
void AxisForValues(double minValue, double maxValue, double *axisMin, double *axisMax);
// Widens [*axisMin, *axisMax] to show `value`, rounded out to tens; never
// narrows it. True when it changed.
bool ExtendAxisToValue(double value, double *axisMin, double *axisMax);
// Gives every Y axis of the model that cannot show its values (null and
// out-of-range markers left aside) a manual scale that does, as
// AxisForValues says. True when an axis changed.
bool FitAxesToValues(TGraphModel &model);
