#pragma once
// PESGraph: the graph control every graph window holds. A plain data model
// (cells, subsets, stacked Y axes, scales, annotations, the table annotation
// and the look) drawn with QCustomPlot.
//
// Conventions of this interface
// - Every engine property keeps its own name: the getter is the name itself
//   (`Points()`, `YData(s, p)`), the setter is "set" + the name
//   (`setPoints(n)`, `setYData(s, p, v)`). Indexed properties take the index
//   first and the value last. Helpers that are not engine properties use
//   ordinary lowerCamel names (`subsetCount()`, `plotAreaRect()`).
// - Setters only change the model. Nothing is drawn until a redraw:
//   `sgResetImage()` followed by `sgInvalidateImage()` (or `Redraw()`, which
//   does both) shows every change made since the last redraw.
// - The string properties MainTitle, SubTitle, LowerBoundText, UpperBoundText,
//   RYAxisLabel, TXAxisLabel, XAxisLabel and YAxisLabel are Q_PROPERTYs, so a
//   translation table can set them by name ("PESGraph1.MainTitle").
// - Colours are QColor; `PEargb(a, r, g, b)` builds one with alpha.
// - X values are doubles (date-times as days since 30 Dec 1899 when
//   DateTimeMode is 1), Y values single precision; a Y equal to
//   NullDataValueY (9999 by default) is not drawn.
// - Pixel positions are in this widget's coordinates.

#include "core/graph/graphmodel.h"
#include "gui/graph/engine/graphenums.h"

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QCustomPlot;
class QCPPainter;
class QPrinter;
class QMouseEvent;
struct TGraphModel;
class TGraphView;

// A colour with alpha, as the annotation properties take it.
inline QColor PEargb(int alpha, int red, int green, int blue)
{
    return QColor(red, green, blue, alpha);
}

class PESGraph : public QWidget, public TGraphEnums
{
    Q_OBJECT
    Q_PROPERTY(QString MainTitle READ MainTitle WRITE setMainTitle)
    Q_PROPERTY(QString SubTitle READ SubTitle WRITE setSubTitle)
    Q_PROPERTY(QString XAxisLabel READ XAxisLabel WRITE setXAxisLabel)
    Q_PROPERTY(QString YAxisLabel READ YAxisLabel WRITE setYAxisLabel)
    Q_PROPERTY(QString LowerBoundText READ LowerBoundText WRITE setLowerBoundText)
    Q_PROPERTY(QString UpperBoundText READ UpperBoundText WRITE setUpperBoundText)
    Q_PROPERTY(QString RYAxisLabel READ RYAxisLabel WRITE setRYAxisLabel)
    Q_PROPERTY(QString TXAxisLabel READ TXAxisLabel WRITE setTXAxisLabel)

public:
    // Limits of the model; a stored block beyond them is rejected.
    static constexpr int kMaxSubsets = GraphLimits::kMaxSubsets;
    static constexpr int kMaxPoints = GraphLimits::kMaxPoints;
    static constexpr int kMaxAxes = GraphLimits::kMaxAxes;
    static constexpr int kMaxAnnotations = GraphLimits::kMaxAnnotations;
    static constexpr int kMaxTableCells = GraphLimits::kMaxTableCells;

    explicit PESGraph(QWidget *parent = nullptr);
    ~PESGraph() override;

    // ---- shape ------------------------------------------------------------
    int Subsets() const;
    void setSubsets(int count);             // keeps the cells of the remaining subsets
    int Points() const;
    void setPoints(int count);              // keeps the cells below the new count; new cells X 0, Y null;
                                            // clamped to 0 .. kMaxPoints

    // ---- data -------------------------------------------------------------
    double XDataII(int subset, int point) const;      // 0 outside the cells
    void setXDataII(int subset, int point, double x); // ignored outside the cells
    float YData(int subset, int point) const;         // null value outside the cells
    void setYData(int subset, int point, float y);
    double YDataII(int subset, int point) const;
    void setYDataII(int subset, int point, double y); // stored in single precision
    // Bulk load: `values` holds each sample's values in subset order, sample
    // after sample (value of subset s at point p at index p * Subsets() + s).
    // Loads min(count / Subsets(), Points()) whole samples; returns how many.
    int LoadXData(const double *values, qsizetype count);
    int LoadYData(const float *values, qsizetype count);
    double NullDataValueY() const;
    void setNullDataValueY(double value);

    // ---- subsets ----------------------------------------------------------
    QString SubsetLabels(int subset) const;
    void setSubsetLabels(int subset, const QString &label);
    QColor SubsetColors(int subset) const;
    void setSubsetColors(int subset, const QColor &color);
    int SubsetLineWidth(int subset) const;            // pixels, 1 by default
    void setSubsetLineWidth(int subset, int width);
    // The subsets shown, in order. Until the list is first set every subset is
    // shown; `clearRandomSubsetsToGraph()` empties it (nothing shown) and
    // `setRandomSubsetsToGraph(i, s)` puts subset s at position i (the list
    // grows to i + 1; positions in between repeat nothing: they are -1 and
    // ignored). `showAllSubsets()` returns to "every subset".
    int RandomSubsetsToGraph(int position) const;     // -1 when not set
    void setRandomSubsetsToGraph(int position, int subset);
    void clearRandomSubsetsToGraph();
    void showAllSubsets();
    QList<int> shownSubsets() const;                  // the subsets drawn, in order

    // ---- stacked Y axes ---------------------------------------------------
    // Axis a holds MultiAxesSubsets(a) consecutive subsets (subsets left over
    // go to the last axis) and MultiAxesProportions(a) of the height. All
    // counts 0 means one axis with every subset.
    int MultiAxesSubsets(int axis) const;
    void setMultiAxesSubsets(int axis, int count);
    double MultiAxesProportions(int axis) const;
    void setMultiAxesProportions(int axis, double proportion);
    void resetMultiAxes();                  // one axis, all subsets, proportion 1
    int axisCount() const;                  // Y axes drawn (1 .. kMaxAxes)
    int axisOfSubset(int subset) const;
    int WorkingAxis() const;
    void setWorkingAxis(int axis);          // the axis the Y scale and label properties address

    // ---- scales -----------------------------------------------------------
    int ManualScaleControlX() const;
    void setManualScaleControlX(int control);
    double ManualMinX() const;
    void setManualMinX(double value);
    double ManualMaxX() const;
    void setManualMaxX(double value);
    int ManualScaleControlY() const;        // of the working axis
    void setManualScaleControlY(int control);
    double ManualMinY() const;
    void setManualMinY(double value);
    double ManualMaxY() const;
    void setManualMaxY(double value);

    // ---- graph annotations (by index; setting index i makes 0..i exist) ---
    // An annotation at X = 0, Y = 0 is treated as hidden.
    int graphAnnotationCount() const;
    int GraphAnnotationType(int index) const;
    void setGraphAnnotationType(int index, int type);
    double GraphAnnotationX(int index) const;
    void setGraphAnnotationX(int index, double x);
    double GraphAnnotationY(int index) const;
    void setGraphAnnotationY(int index, double y);
    QString GraphAnnotationText(int index) const;
    void setGraphAnnotationText(int index, const QString &text);
    QColor GraphAnnotationColor(int index) const;
    void setGraphAnnotationColor(int index, const QColor &color);
    bool ShowAnnotations() const;
    void setShowAnnotations(bool on);
    int GraphAnnotationTextSize() const;    // percent of the label font, 100 normal
    void setGraphAnnotationTextSize(int percent);

    // ---- vertical line annotations (by index) -----------------------------
    int lineAnnotationCount() const;
    double VertLineAnnotation(int index) const;       // X position
    void setVertLineAnnotation(int index, double x);
    QString VertLineAnnotationText(int index) const;
    void setVertLineAnnotationText(int index, const QString &text);
    QColor VertLineAnnotationColor(int index) const;
    void setVertLineAnnotationColor(int index, const QColor &color);
    bool ShowLineAnnotations() const;
    void setShowLineAnnotations(bool on);
    bool AllowLineAnnotHotSpots() const;
    void setAllowLineAnnotHotSpots(bool on);
    int LineAnnotationTextSize() const;
    void setLineAnnotationTextSize(int percent);

    // ---- the table annotation ---------------------------------------------
    int TARows() const;
    void setTARows(int rows);
    int TAColumns() const;
    void setTAColumns(int columns);
    QString TAText(int row, int column) const;
    void setTAText(int row, int column, const QString &text);
    QColor TAColor(int row, int column) const;        // text colour of a cell
    void setTAColor(int row, int column, const QColor &color);
    QColor TABackColor() const;                       // with alpha (PEargb)
    void setTABackColor(const QColor &color);
    int TABorder() const;
    void setTABorder(int border);
    int TATextSize() const;                           // percent, 100 normal
    void setTATextSize(int percent);
    QPoint TALocation() const;                        // pixels from the plot area's top-left
    void setTALocation(const QPoint &pixels);
    bool TAMovable() const;
    void setTAMovable(bool on);
    bool TAShow() const;
    void setTAShow(bool on);
    bool TAHeaderRows() const;
    void setTAHeaderRows(bool on);
    bool TAHeaderColumn() const;
    void setTAHeaderColumn(bool on);
    QRect tableRect() const;                          // as last drawn; empty when not drawn

    // ---- titles and labels ------------------------------------------------
    QString MainTitle() const;
    void setMainTitle(const QString &text);
    QString SubTitle() const;
    void setSubTitle(const QString &text);
    QString XAxisLabel() const;
    void setXAxisLabel(const QString &text);
    QString YAxisLabel() const;                       // of the working axis
    void setYAxisLabel(const QString &text);
    QString LowerBoundText() const;
    void setLowerBoundText(const QString &text);
    QString UpperBoundText() const;
    void setUpperBoundText(const QString &text);
    QString RYAxisLabel() const;
    void setRYAxisLabel(const QString &text);
    QString TXAxisLabel() const;
    void setTXAxisLabel(const QString &text);
    // The unit of the temperatures ("°C", "°F", "K"; empty when not known),
    // kept with the graph and named by its printout.
    QString Unit() const;
    void setUnit(const QString &text);

    // ---- look -------------------------------------------------------------
    int GridStyle() const;
    void setGridStyle(int style);
    int GridLineControl() const;
    void setGridLineControl(int lines);
    QFont TitleFont() const;                          // main title and subtitle
    void setTitleFont(const QFont &font);
    QFont LabelFont() const;                          // axes, legend, annotations, table
    void setLabelFont(const QFont &font);
    QColor DeskColor() const;                         // around the plot area
    void setDeskColor(const QColor &color);
    QColor GraphForeColor() const;                    // axes, grid
    void setGraphForeColor(const QColor &color);
    QColor GraphBackColor() const;                    // inside the plot area
    void setGraphBackColor(const QColor &color);
    QColor TextColor() const;
    void setTextColor(const QColor &color);
    int PlottingMethod() const;
    void setPlottingMethod(int method);
    bool ShowLegend() const;
    void setShowLegend(bool on);
    bool DataShadows() const;
    void setDataShadows(bool on);
    int DataPrecision() const;
    void setDataPrecision(int decimals);
    int ArrowCursor() const;
    void setArrowCursor(int kind);                    // also ends a custom cursor
    void setCustomCursor(const QCursor &cursor);      // until the next setArrowCursor
    int AllowZooming() const;
    void setAllowZooming(int zooming);
    bool ScrollingHorzZoom() const;
    void setScrollingHorzZoom(bool on);
    bool ScrollingVertZoom() const;
    void setScrollingVertZoom(bool on);
    int DateTimeMode() const;                         // 1: X values are date-times
    void setDateTimeMode(int mode);
    bool UsingXDataII() const;
    void setUsingXDataII(bool on);

    // ---- flags kept for the graph's users (stored, mostly without effect on drawing)
    bool PrepareImages() const;
    void setPrepareImages(bool on);
    bool SubsetByPoint() const;
    void setSubsetByPoint(bool on);
    bool NoHelp() const;
    void setNoHelp(bool on);
    bool AllowPopup() const;
    void setAllowPopup(bool on);
    int AllowDataLabels() const;
    void setAllowDataLabels(int labels);
    bool NullDataGaps() const;                        // on: a null point breaks the line
    void setNullDataGaps(bool on);
    bool AllowDataHotSpots() const;
    void setAllowDataHotSpots(bool on);
    bool AllowGraphHotSpots() const;
    void setAllowGraphHotSpots(bool on);
    bool AllowGraphAnnotHotSpots() const;
    void setAllowGraphAnnotHotSpots(bool on);
    bool NoRandomPointsToExport() const;
    void setNoRandomPointsToExport(bool on);
    bool FocalRect() const;
    void setFocalRect(bool on);
    bool AllowBar() const;
    void setAllowBar(bool on);
    double LineGapThreshold() const;                  // an X step above it breaks the line
    void setLineGapThreshold(double threshold);
    bool AllowAxisPage() const;
    void setAllowAxisPage(bool on);
    bool AllowFontPage() const;
    void setAllowFontPage(bool on);
    bool AllowPage1() const;                          // "Graph": titles and axis labels
    void setAllowPage1(bool on);
    bool AllowPage2() const;                          // "Style": line width, grid, colours
    void setAllowPage2(bool on);
    bool AllowSubsetsPage() const;
    void setAllowSubsetsPage(bool on);

    // ---- actions ----------------------------------------------------------
    void sgResetImage();            // rebuild what changed; repaints soon (queued)
    void sgInvalidateImage();       // repaint now
    void Redraw();                  // both of the above
    void sgReinitAndReset();        // rebuild everything and repaint
    void sgUndoZoom();              // back to the scales before zooming; repaints soon (queued)
    bool isZoomed() const;
    int sgCustomize();              // the customisation dialog; emits OnCustomizeDlg; returns 1 when confirmed
    bool sgPrintDialog();           // print dialog, then prints; true when printed
    bool PrintTo(QPrinter &printer);    // render the graph onto one page of `printer`
    // Draws the graph into `target` (device units of an active painter).
    void PaintInto(QCPPainter &painter, const QRectF &target);
    // While it lives, `printer` works at the screen's resolution: the graph's
    // fonts, sized in points, then keep their size relative to the graph when
    // the drawing is scaled onto the page.
    struct ScreenResolution {
        QPrinter &printer;
        int resolution;
        explicit ScreenResolution(QPrinter &p);
        ~ScreenResolution();
    };

    // ---- pointer ----------------------------------------------------------
    QPoint lastMousePosition() const;   // last pointer position over the graph
    QRect plotAreaRect() const;         // all Y axes' plot areas together
    bool legendWhole() const;           // every legend label drawn at its full width
    // Pixel to X and Y of `axis`; false (outputs untouched) when the graph has
    // no such axis.
    bool pixelToGraph(const QPointF &pixel, double *x, double *y, int axis = 0) const;
    QPointF graphToPixel(double x, double y, int axis = 0) const;

    // ---- whole graph as a block -------------------------------------------
    QByteArray SaveGraphBlock() const;
    // Replaces the whole graph by the block's; on a malformed block returns
    // false with a reason in *error and leaves the graph exactly as it was.
    bool LoadGraphBlock(const QByteArray &block, QString *error = nullptr);
    // Whether LoadGraphBlock would accept the block (nothing is changed), so a
    // caller can refuse a bad file before it creates a window for it.
    static bool CheckGraphBlock(const QByteArray &block, QString *error = nullptr);

    // ---- for tests and the dialogs ----------------------------------------
    const TGraphModel &model() const;
    void setModel(const TGraphModel &model);     // replaces everything; needs a redraw
    QCustomPlot *plot() const;
    // The customisation dialog belongs to the windows (window/graphcustomize):
    // they register the function that opens it on a graph, applies it and
    // returns 1 when confirmed. Without one, sgCustomize changes nothing.
    using CustomizeOpener = std::function<int(PESGraph &)>;
    static void setCustomizeOpener(CustomizeOpener opener);
    // Seam replacing the print dialog (tests): the hook gets the printer and
    // returns QDialog::Accepted to print. An empty function restores the dialog.
    using PrintHook = std::function<int(QPrinter &)>;
    static void setPrintHook(PrintHook hook);

signals:
    void OnClick();                                  // left button released without a drag
    void OnMouseMove();
    void OnZoomIn();
    void OnDataHotSpot(bool doubleClick, int point, int subset);
    void OnGraphHotSpot();                            // pointer entered an annotation
    void OnGraphAnnotHotSpot(bool doubleClick, int index);
    void OnCustomizeDlg(int result);                  // 1 when confirmed
    // The data was replaced as a whole (points, subsets, a bulk load, a block).
    void OnDataReplaced();

protected:
    // The plot fills the widget, so pointer events only reach the widget
    // itself when sent to it directly (tests): they are handed to the plot.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    friend class TGraphView;
    std::unique_ptr<TGraphModel> m;
    std::unique_ptr<TGraphView> view;
    QCursor customCursor;
    bool usingCustomCursor = false;
    void applyCursor();
};
