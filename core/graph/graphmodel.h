#pragma once
// Everything a graph holds, apart from how it is drawn: cells, subsets, axes,
// scales, annotations, the table annotation and the look. Plain values, so a
// block can be parsed into a fresh model and swapped in whole.

#include <QColor>
#include <QFont>
#include <QList>
#include <QPoint>
#include <QString>
#include <QVector>

struct TGraphAnnotation {
    int type = 0;
    double x = 0;
    double y = 0;
    QString text;
    QColor color = Qt::black;
    bool operator==(const TGraphAnnotation &o) const
    {
        return type == o.type && x == o.x && y == o.y && text == o.text && color == o.color;
    }
};

struct TLineAnnotation {
    double x = 0;
    QString text;
    QColor color = Qt::black;
    bool operator==(const TLineAnnotation &o) const
    {
        return x == o.x && text == o.text && color == o.color;
    }
};

struct TAxisScale {
    int subsets = 0;            // MultiAxesSubsets
    double proportion = 1.0;    // MultiAxesProportions
    int control = 0;            // ManualScaleControlY
    double minY = 0;
    double maxY = 100;
    QString label;              // YAxisLabel
    bool operator==(const TAxisScale &o) const
    {
        return subsets == o.subsets && proportion == o.proportion && control == o.control
               && minY == o.minY && maxY == o.maxY && label == o.label;
    }
};

struct TTableAnnotation {
    int rows = 0;
    int columns = 0;
    QVector<QString> texts;     // row after row
    QVector<QColor> colors;     // per cell text colour
    QColor backColor = QColor(255, 255, 255, 255);
    int border = 2;
    int textSize = 100;
    QPoint location = QPoint(10, 10);
    bool movable = true;
    bool show = false;
    bool headerRows = false;
    bool headerColumn = false;
    bool operator==(const TTableAnnotation &o) const
    {
        return rows == o.rows && columns == o.columns && texts == o.texts && colors == o.colors
               && backColor == o.backColor && border == o.border && textSize == o.textSize
               && location == o.location && movable == o.movable && show == o.show
               && headerRows == o.headerRows && headerColumn == o.headerColumn;
    }
    void resize(int newRows, int newColumns);
};

struct TGraphModel {
    // shape and data
    int subsets = 1;
    int points = 0;
    QVector<QVector<double>> x;     // [subset][point]
    QVector<QVector<float>> y;
    double nullY = 9999.0;

    // subsets
    QVector<QString> labels;
    QVector<QColor> colors;
    QVector<int> lineWidths;
    bool randomSet = false;         // false: every subset is shown
    QVector<int> randomSubsets;

    // axes and scales
    QVector<TAxisScale> axes = QVector<TAxisScale>(1);
    int workingAxis = 0;
    int scaleControlX = 0;
    double minX = 0;
    double maxX = 1;

    // annotations
    QVector<TGraphAnnotation> annotations;
    bool showAnnotations = true;
    int annotationTextSize = 100;
    QVector<TLineAnnotation> lineAnnotations;
    bool showLineAnnotations = true;
    bool lineAnnotHotSpots = false;
    int lineAnnotationTextSize = 100;
    TTableAnnotation table;

    // titles and labels
    QString mainTitle;
    QString subTitle;
    QString xAxisLabel;
    QString lowerBoundText;
    QString upperBoundText;
    QString ryAxisLabel;
    QString txAxisLabel;
    QString unit;                   // of the temperatures: "°C", "°F", "K" or empty (not known)

    // look
    int gridStyle = 0;
    int gridLines = 0;
    QFont titleFont = QFont(QStringLiteral("Times New Roman"), 12, QFont::Bold);
    QFont labelFont = QFont(QStringLiteral("Arial"), 9);
    QColor deskColor = QColor(192, 192, 192);
    QColor foreColor = Qt::black;
    QColor backColor = Qt::white;
    QColor textColor = Qt::black;
    int plottingMethod = 0;
    bool showLegend = true;
    bool dataShadows = true;
    int dataPrecision = 3;
    int arrowCursor = 1;
    int allowZooming = 0;
    bool scrollingHorzZoom = false;
    bool scrollingVertZoom = false;
    int dateTimeMode = 0;
    bool usingXDataII = false;

    // flags
    bool prepareImages = false;
    bool subsetByPoint = false;
    bool noHelp = false;
    bool allowPopup = true;
    int allowDataLabels = 0;
    bool nullDataGaps = false;
    bool dataHotSpots = false;
    bool graphHotSpots = false;
    bool graphAnnotHotSpots = false;
    bool noRandomPointsToExport = false;
    bool focalRect = true;
    bool allowBar = true;
    double lineGapThreshold = 1e20;
    bool allowAxisPage = true;
    bool allowFontPage = true;
    bool allowPage1 = true;
    bool allowPage2 = true;
    bool allowSubsetsPage = true;

    TGraphModel();
    bool operator==(const TGraphModel &o) const;
    bool operator!=(const TGraphModel &o) const { return !(*this == o); }

    void setSubsets(int count);
    void setPoints(int count);
    static QColor defaultColor(int subset);
    // The subsets drawn, in order (the random list, or all).
    QList<int> shownSubsets() const;
    int axisCount() const;
    int axisOfSubset(int subset) const;
    bool isNull(float v) const { return double(v) == nullY || v == float(nullY); }
};

// Keeps a graph's look and drops its content: the graph annotations (texts,
// crosses, the data-point label), the positions and texts of the line
// annotations (their colours stay) and the statistics table. A graph made from
// a template starts from this.
void DropGraphContent(TGraphModel &model);

// Limits of the model; a stored block beyond them is rejected.
namespace GraphLimits {
constexpr int kMaxSubsets = 64;
constexpr int kMaxPoints = 2000000;
constexpr int kMaxAxes = 8;
constexpr int kMaxAnnotations = 100000;
constexpr int kMaxTableCells = 65536;
constexpr int kLastAnnotationType = 7; // the diamond, the last symbol an annotation may carry
} // namespace GraphLimits

// The graph block: a versioned binary image of a whole model.
namespace GraphBlock {
QByteArray Save(const TGraphModel &model);
// Parses a block into `out` (untouched on failure); false with a reason in *error.
bool Load(const QByteArray &block, TGraphModel *out, QString *error);
} // namespace GraphBlock

// The colour a line or an annotation prints in on white paper: one bright
// enough for a black screen (yellow, white) is darkened so it shows on white;
// any other stays.
QColor PaperInk(const QColor &screen);
