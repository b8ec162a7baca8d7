#pragma once
// How a PESGraph's model is drawn with QCustomPlot, and the pointer handling
// (zoom rectangle, hot spots, dragging the table). Private to the graph.

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QVector>

class PESGraph;
class QCustomPlot;

class TGraphView : public QObject
{
    Q_OBJECT
public:
    explicit TGraphView(PESGraph *owner);
    ~TGraphView() override;

    QCustomPlot *plotWidget() const { return plot; }

    void markDataDirty(int subset = -1);
    void markLayoutDirty();
    void markLookDirty();
    void markScaleDirty();
    void markAnnotationsDirty();

    void rebuild(bool everything);   // bring the plot in line with the model
    void repaint();
    void undoZoom();
    bool isZoomed() const { return zoomed; }

    QPoint lastMousePosition() const { return lastMouse; }
    QRect plotAreaRect() const;
    QRect tableRect() const;
    bool pixelToGraph(const QPointF &pixel, double *x, double *y, int axis) const;
    QPointF graphToPixel(double x, double y, int axis) const;

private:
    PESGraph *owner;
    QCustomPlot *plot;
    bool layoutDirty = true;
    bool lookDirty = true;
    bool scaleDirty = true;
    bool allDataDirty = true;
    QVector<bool> subsetDirty;
    bool zoomed = false;
    QPoint lastMouse;
};
