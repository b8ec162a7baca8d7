#pragma once
// A table window turned into a new graph window: the table's rows become the
// points of the five subsets, with a progress window while they are read.

#include <QString>
#include <QVector>
#include <functional>

class TfrmGraph;
class TfrmList;

// The points of a table, read without any window: for row r (1-based) point
// r - 1 of every subset. A row whose date-time cannot be read keeps X 0 and
// the null value in every subset.
struct TTablePoints {
    int rows = 0;
    double first = 0.0;              // date-time of row 1
    double last = 0.0;               // date-time of the last row
    QVector<double> x;               // five per point, subset order
    QVector<float> y;
};

// Fills `points` from `list`. False with the conversion's message in *error
// when the first or last row has no readable date-time. `rowStart` (may be
// empty) is told of each row before it is read and may stop the reading by
// returning false (then *error stays empty).
bool ReadTablePoints(const TfrmList &list, TTablePoints *points, QString *error,
                     const std::function<bool(int row)> &rowStart = {});

// btnOutputToGraphClick on the given table window: "No data to graph !" for
// an empty table; otherwise a new graph window captioned like the table
// (returned; left empty when the first or last date-time cannot be read;
// null when the table or the new window was closed while it filled).
TfrmGraph *GraphTableWindow(TfrmList *list);
