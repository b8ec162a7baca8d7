#include "core/graph/graphmodel.h"

#include <algorithm>
#include <cstring>

void TTableAnnotation::resize(int newRows, int newColumns)
{
    newRows = std::max(0, newRows);
    newColumns = std::max(0, newColumns);
    if (newRows == rows && newColumns == columns)
        return;
    QVector<QString> t(newRows * newColumns);
    QVector<QColor> c(newRows * newColumns, QColor(Qt::black));
    for (int r = 0; r < std::min(rows, newRows); ++r)
        for (int k = 0; k < std::min(columns, newColumns); ++k) {
            t[r * newColumns + k] = texts.value(r * columns + k);
            c[r * newColumns + k] = colors.value(r * columns + k, QColor(Qt::black));
        }
    texts = t;
    colors = c;
    rows = newRows;
    columns = newColumns;
}

namespace {
// The first `count` cells of two rows, bit for bit (NaN and -0 count as
// themselves); an empty range is equal without looking at the storage.
template <typename T>
bool SameCells(const QVector<T> &a, const QVector<T> &b, int count)
{
    if (count <= 0)
        return true;
    if (a.size() < count || b.size() < count)
        return a.size() == b.size() && SameCells(a, b, int(a.size()));
    return std::memcmp(a.constData(), b.constData(), sizeof(T) * size_t(count)) == 0;
}
} // namespace

TGraphModel::TGraphModel()
{
    setSubsets(1);
}

bool TGraphModel::operator==(const TGraphModel &o) const
{
    // Cells are compared bit for bit so that NaN and -0 round trips count.
    if (subsets != o.subsets || points != o.points)
        return false;
    for (int s = 0; s < subsets; ++s) {
        if (!SameCells(x.value(s), o.x.value(s), points) || !SameCells(y.value(s), o.y.value(s), points))
            return false;
    }
    return nullY == o.nullY && labels == o.labels && colors == o.colors && lineWidths == o.lineWidths
           && randomSet == o.randomSet && randomSubsets == o.randomSubsets && axes == o.axes
           && workingAxis == o.workingAxis && scaleControlX == o.scaleControlX && minX == o.minX
           && maxX == o.maxX && annotations == o.annotations && showAnnotations == o.showAnnotations
           && annotationTextSize == o.annotationTextSize && lineAnnotations == o.lineAnnotations
           && showLineAnnotations == o.showLineAnnotations && lineAnnotHotSpots == o.lineAnnotHotSpots
           && lineAnnotationTextSize == o.lineAnnotationTextSize && table == o.table
           && mainTitle == o.mainTitle && subTitle == o.subTitle && xAxisLabel == o.xAxisLabel
           && lowerBoundText == o.lowerBoundText && upperBoundText == o.upperBoundText
           && ryAxisLabel == o.ryAxisLabel && txAxisLabel == o.txAxisLabel && unit == o.unit && gridStyle == o.gridStyle
           && gridLines == o.gridLines && titleFont == o.titleFont && labelFont == o.labelFont
           && deskColor == o.deskColor && foreColor == o.foreColor && backColor == o.backColor
           && textColor == o.textColor && plottingMethod == o.plottingMethod && showLegend == o.showLegend
           && dataShadows == o.dataShadows && dataPrecision == o.dataPrecision
           && arrowCursor == o.arrowCursor && allowZooming == o.allowZooming
           && scrollingHorzZoom == o.scrollingHorzZoom && scrollingVertZoom == o.scrollingVertZoom
           && dateTimeMode == o.dateTimeMode && usingXDataII == o.usingXDataII
           && prepareImages == o.prepareImages && subsetByPoint == o.subsetByPoint && noHelp == o.noHelp
           && allowPopup == o.allowPopup && allowDataLabels == o.allowDataLabels
           && nullDataGaps == o.nullDataGaps && dataHotSpots == o.dataHotSpots
           && graphHotSpots == o.graphHotSpots && graphAnnotHotSpots == o.graphAnnotHotSpots
           && noRandomPointsToExport == o.noRandomPointsToExport && focalRect == o.focalRect
           && allowBar == o.allowBar && lineGapThreshold == o.lineGapThreshold
           && allowAxisPage == o.allowAxisPage && allowFontPage == o.allowFontPage
           && allowPage1 == o.allowPage1 && allowPage2 == o.allowPage2
           && allowSubsetsPage == o.allowSubsetsPage;
}

QColor TGraphModel::defaultColor(int subset)
{
    static const QColor palette[] = {
        QColor(255, 255, 0), QColor(0, 0, 255), QColor(255, 0, 0), QColor(0, 255, 0),
        QColor(255, 0, 255), QColor(0, 255, 255), QColor(255, 128, 0), QColor(128, 128, 128)};
    return palette[std::max(0, subset) % int(sizeof palette / sizeof palette[0])];
}

void TGraphModel::setSubsets(int count)
{
    count = std::clamp(count, 0, 64);
    const int old = int(x.size());
    x.resize(count);
    y.resize(count);
    for (int s = old; s < count; ++s) {
        x[s] = QVector<double>(points, 0.0);
        y[s] = QVector<float>(points, float(nullY));
    }
    const int oldLabels = int(labels.size());
    labels.resize(count);
    colors.resize(count);
    lineWidths.resize(count);
    for (int s = oldLabels; s < count; ++s) {
        labels[s] = QStringLiteral("Subset %1").arg(s + 1);
        colors[s] = defaultColor(s);
        lineWidths[s] = 1;
    }
    subsets = count;
}

void TGraphModel::setPoints(int count)
{
    count = std::max(0, count);
    for (int s = 0; s < subsets; ++s) {
        x[s].resize(count);
        const int old = int(y[s].size());
        y[s].resize(count);
        for (int p = old; p < count; ++p) {
            x[s][p] = 0.0;
            y[s][p] = float(nullY);
        }
    }
    points = count;
}

QList<int> TGraphModel::shownSubsets() const
{
    QList<int> out;
    if (!randomSet) {
        for (int s = 0; s < subsets; ++s)
            out << s;
        return out;
    }
    for (int s : randomSubsets)
        if (s >= 0 && s < subsets && !out.contains(s))
            out << s;
    return out;
}

int TGraphModel::axisCount() const
{
    // Axes are used from 0 on while they hold subsets; none holding any means one axis.
    int n = 0;
    while (n < axes.size() && axes[n].subsets > 0)
        ++n;
    return std::max(1, n);
}

int TGraphModel::axisOfSubset(int subset) const
{
    const int n = axisCount();
    if (n == 1)
        return 0;
    int first = 0;
    for (int a = 0; a < n; ++a) {
        first += axes[a].subsets;
        if (subset < first)
            return a;
    }
    return n - 1;
}

void DropGraphContent(TGraphModel &m)
{
    m.annotations.clear();
    for (TLineAnnotation &line : m.lineAnnotations) {
        line.x = 0;
        line.text.clear();
    }
    m.table.resize(0, 0);
    m.table.show = false;
    m.unit.clear();
}

QColor PaperInk(const QColor &screen)
{
    return qGray(screen.rgb()) > 150 ? screen.darker(170) : screen;
}
