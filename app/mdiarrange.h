#pragma once
// Tile and cascade of the main window's child windows, computed inside the
// frame's client area. Unlike the MDI area's own arrangements they never ask
// for more room than the client area has, so the main window never grows
// because of its children.

#include <QRect>
#include <QSize>
#include <QVector>

#include <functional>

// The size limits of one child window, its frame included.
struct TMdiWindowLimits {
    static constexpr int kNoLimit = (1 << 24) - 1; // a widget's largest size
    QSize minimum;
    QSize maximum = QSize(kNoLimit, kNoLimit);
    // A window that scales keeping its proportions (the front panel): its full size.
    QSize natural;
    // The height a window needs at a width to show its content whole (a
    // graph: its bars and the plot at its minimum); empty when its minimum will do.
    std::function<int(int width)> wanted;
    // A window whose width cannot change.
    bool FixedWidth() const { return minimum.width() == maximum.width(); }
};

// Tiles the windows over `area`: windows of fixed width or proportions keep
// them in a column at the left, as tall as the area allows; windows that want
// a height get it first, side by side when the area is low, and the others
// share what is left below them (or below the left column, its windows scaled
// down, when nothing is left); without such windows the others share the
// rest, one above the other while each gets at least `minHeight` pixels, in
// further columns when more are open. Every rectangle lies inside `area` unless a
// window's minimum is larger.
QVector<QRect> TileWindowRects(const QRect &area, const QVector<TMdiWindowLimits> &windows, int minHeight);

// Cascades the windows over `area`: each one `step` pixels below and right of
// the one before, starting again at the top-left corner when the next would
// leave the area. Windows of fixed width keep their size; the others take the
// area less the steps, at least two thirds of it.
QVector<QRect> CascadeWindowRects(const QRect &area, const QVector<TMdiWindowLimits> &windows, int step);
