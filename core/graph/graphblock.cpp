// The graph block: a whole graph model as bytes.
//
// Layout (QDataStream, Qt 6.4 stream version, little-endian): the magic
// "QMGB", a 16-bit version, then the sections in fixed order: cells, subsets,
// axes and scales, annotations, line annotations, the table annotation,
// titles, look, flags, and (from version 2) the unit of the temperatures.
// Version 1 blocks, which end after the flags, still read. Strings are a 32-bit byte count and UTF-8 bytes,
// colours 32-bit ARGB, booleans one byte 0 or 1, floats their 32-bit pattern.
// Nothing may follow the last section.
//
// Reading trusts nothing: every count is checked against its limit and
// against the bytes left before anything is allocated, every enumeration
// against its range, and the block is parsed into a fresh model so a failure
// leaves the caller's graph alone.

#include "core/graph/graphmodel.h"

#include "core/base/translation.h"

#include <QDataStream>
#include <QSysInfo>
#include <QIODevice>
#include <cmath>
#include <cstring>

namespace {

constexpr quint32 kMagic = 0x42474D51;  // "QMGB" as little-endian bytes
constexpr quint16 kVersion = 2;
constexpr quint16 kOldestVersion = 1;

class Writer
{
public:
    explicit Writer(QByteArray *out) : s(out, QIODevice::WriteOnly)
    {
        s.setVersion(QDataStream::Qt_6_4);
        s.setByteOrder(QDataStream::LittleEndian);
        s.setFloatingPointPrecision(QDataStream::DoublePrecision);
    }
    void u16(quint16 v) { s << v; }
    void u32(quint32 v) { s << v; }
    void i32(qint32 v) { s << v; }
    void f64(double v) { s << v; }
    void f32(float v)
    {
        quint32 bits;
        std::memcpy(&bits, &v, sizeof bits);
        s << bits;
    }
    void flag(bool v) { s << quint8(v ? 1 : 0); }
    // A whole column of cells in one write: the block is little-endian, as
    // the values are in memory on a little-endian machine.
    void f64s(const double *v, int n)
    {
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            s.writeRawData(reinterpret_cast<const char *>(v), n * int(sizeof(double)));
        else
            for (int i = 0; i < n; ++i)
                f64(v[i]);
    }
    void f32s(const float *v, int n)
    {
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            s.writeRawData(reinterpret_cast<const char *>(v), n * int(sizeof(float)));
        else
            for (int i = 0; i < n; ++i)
                f32(v[i]);
    }
    void str(const QString &v)
    {
        const QByteArray utf8 = v.toUtf8();
        s << quint32(utf8.size());
        s.writeRawData(utf8.constData(), int(utf8.size()));
    }
    void color(const QColor &c) { s << quint32(c.rgba()); }
    void font(const QFont &f) { str(f.toString()); }

private:
    QDataStream s;
};

class Reader
{
public:
    explicit Reader(const QByteArray &in) : size(in.size()), s(in)
    {
        s.setVersion(QDataStream::Qt_6_4);
        s.setByteOrder(QDataStream::LittleEndian);
        s.setFloatingPointPrecision(QDataStream::DoublePrecision);
    }
    bool ok() const { return error.isEmpty(); }
    QString error;

    qint64 remaining() const { return size - s.device()->pos(); }
    bool need(qint64 bytes)
    {
        if (!ok())
            return false;
        if (bytes < 0 || remaining() < bytes) {
            fail(AddedText("The graph block is cut short."));
            return false;
        }
        return true;
    }
    void fail(const QString &why)
    {
        if (error.isEmpty())
            error = why;
    }
    void impossible(const char *what)
    {
        fail(AddedText("The graph block holds an impossible %1.").arg(QLatin1String(what)));
    }

    quint16 u16()
    {
        quint16 v = 0;
        if (need(2))
            s >> v;
        return v;
    }
    quint32 u32()
    {
        quint32 v = 0;
        if (need(4))
            s >> v;
        return v;
    }
    qint32 i32()
    {
        qint32 v = 0;
        if (need(4))
            s >> v;
        return v;
    }
    // An integer that must lie in [lo, hi].
    int ranged(const char *what, int lo, int hi)
    {
        const qint32 v = i32();
        if (ok() && (v < lo || v > hi)) {
            impossible(what);
            return lo;
        }
        return v;
    }
    double f64()
    {
        double v = 0;
        if (need(8))
            s >> v;
        return v;
    }
    double finite(const char *what)
    {
        const double v = f64();
        if (ok() && !std::isfinite(v)) {
            impossible(what);
            return 0;
        }
        return v;
    }
    float f32()
    {
        quint32 bits = 0;
        if (need(4))
            s >> bits;
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // A whole column of cells in one read (see Writer::f64s).
    void f64s(double *v, int n)
    {
        if (!need(qint64(n) * 8))
            return;
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            s.readRawData(reinterpret_cast<char *>(v), n * int(sizeof(double)));
        else
            for (int i = 0; i < n; ++i)
                v[i] = f64();
    }
    void f32s(float *v, int n)
    {
        if (!need(qint64(n) * 4))
            return;
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            s.readRawData(reinterpret_cast<char *>(v), n * int(sizeof(float)));
        else
            for (int i = 0; i < n; ++i)
                v[i] = f32();
    }
    bool flag()
    {
        quint8 v = 0;
        if (need(1))
            s >> v;
        if (ok() && v > 1)
            impossible("switch value");
        return v == 1;
    }
    QString str()
    {
        const quint32 n = u32();
        if (!need(qint64(n)))
            return QString();
        QByteArray bytes(qsizetype(n), Qt::Uninitialized);
        if (n > 0 && s.readRawData(bytes.data(), int(n)) != int(n)) {
            fail(AddedText("The graph block is cut short."));
            return QString();
        }
        return QString::fromUtf8(bytes);
    }
    QColor color() { return QColor::fromRgba(u32()); }
    QFont font()
    {
        const QString text = str();
        QFont f;
        if (ok() && !f.fromString(text))
            impossible("font");
        return f;
    }
    // A count of records of at least `minBytes` each, within `limit`.
    int count(const char *what, int limit, qint64 minBytes)
    {
        const qint32 n = i32();
        if (!ok())
            return 0;
        if (n < 0 || n > limit) {
            impossible(what);
            return 0;
        }
        if (!need(qint64(n) * minBytes))
            return 0;
        return n;
    }
    bool atEnd() const { return s.atEnd(); }

private:
    qint64 size;
    QDataStream s;
};

} // namespace

namespace GraphBlock {

QByteArray Save(const TGraphModel &m)
{
    QByteArray out;
    // The cells are most of the block: room for them at once, not by doubling.
    out.reserve(qsizetype(m.subsets) * m.points * 12 + 4096);
    Writer w(&out);
    w.u32(kMagic);
    w.u16(kVersion);

    // cells
    w.i32(m.subsets);
    w.i32(m.points);
    w.f64(m.nullY);
    for (int s = 0; s < m.subsets; ++s) {
        w.f64s(m.x[s].constData(), int(m.x[s].size()));
        w.f32s(m.y[s].constData(), int(m.y[s].size()));
    }

    // subsets
    for (int s = 0; s < m.subsets; ++s) {
        w.str(m.labels[s]);
        w.color(m.colors[s]);
        w.i32(m.lineWidths[s]);
    }
    w.flag(m.randomSet);
    w.i32(int(m.randomSubsets.size()));
    for (int s : m.randomSubsets)
        w.i32(s);

    // axes and scales
    w.i32(int(m.axes.size()));
    for (const TAxisScale &a : m.axes) {
        w.i32(a.subsets);
        w.f64(a.proportion);
        w.i32(a.control);
        w.f64(a.minY);
        w.f64(a.maxY);
        w.str(a.label);
    }
    w.i32(m.workingAxis);
    w.i32(m.scaleControlX);
    w.f64(m.minX);
    w.f64(m.maxX);

    // annotations
    w.i32(int(m.annotations.size()));
    for (const TGraphAnnotation &a : m.annotations) {
        w.i32(a.type);
        w.f64(a.x);
        w.f64(a.y);
        w.str(a.text);
        w.color(a.color);
    }
    w.flag(m.showAnnotations);
    w.i32(m.annotationTextSize);
    w.i32(int(m.lineAnnotations.size()));
    for (const TLineAnnotation &a : m.lineAnnotations) {
        w.f64(a.x);
        w.str(a.text);
        w.color(a.color);
    }
    w.flag(m.showLineAnnotations);
    w.flag(m.lineAnnotHotSpots);
    w.i32(m.lineAnnotationTextSize);

    // table annotation
    const TTableAnnotation &t = m.table;
    w.i32(t.rows);
    w.i32(t.columns);
    for (int i = 0; i < t.rows * t.columns; ++i) {
        w.str(t.texts[i]);
        w.color(t.colors[i]);
    }
    w.color(t.backColor);
    w.i32(t.border);
    w.i32(t.textSize);
    w.i32(t.location.x());
    w.i32(t.location.y());
    w.flag(t.movable);
    w.flag(t.show);
    w.flag(t.headerRows);
    w.flag(t.headerColumn);

    // titles
    for (const QString *text : {&m.mainTitle, &m.subTitle, &m.xAxisLabel, &m.lowerBoundText,
                                &m.upperBoundText, &m.ryAxisLabel, &m.txAxisLabel})
        w.str(*text);

    // look
    w.i32(m.gridStyle);
    w.i32(m.gridLines);
    w.font(m.titleFont);
    w.font(m.labelFont);
    w.color(m.deskColor);
    w.color(m.foreColor);
    w.color(m.backColor);
    w.color(m.textColor);
    w.i32(m.plottingMethod);
    w.flag(m.showLegend);
    w.flag(m.dataShadows);
    w.i32(m.dataPrecision);
    w.i32(m.arrowCursor);
    w.i32(m.allowZooming);
    w.flag(m.scrollingHorzZoom);
    w.flag(m.scrollingVertZoom);
    w.i32(m.dateTimeMode);
    w.flag(m.usingXDataII);

    // flags
    for (bool f : {m.prepareImages, m.subsetByPoint, m.noHelp, m.allowPopup})
        w.flag(f);
    w.i32(m.allowDataLabels);
    for (bool f : {m.nullDataGaps, m.dataHotSpots, m.graphHotSpots, m.graphAnnotHotSpots,
                   m.noRandomPointsToExport, m.focalRect, m.allowBar})
        w.flag(f);
    w.f64(m.lineGapThreshold);
    for (bool f : {m.allowAxisPage, m.allowFontPage, m.allowPage1, m.allowPage2, m.allowSubsetsPage})
        w.flag(f);
    w.str(m.unit);
    return out;
}

bool Load(const QByteArray &block, TGraphModel *out, QString *error)
{
    auto failWith = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (block.isEmpty())
        return failWith(AddedText("The graph block is empty."));
    Reader r(block);
    if (r.remaining() < 6 || r.u32() != kMagic)
        return failWith(AddedText("The data is not a graph block."));
    const quint16 version = r.u16();
    if (version < kOldestVersion || version > kVersion)
        return failWith(AddedText("The graph block has version %1; this program reads version %2.")
                            .arg(version)
                            .arg(kVersion));

    TGraphModel m;
    // cells: the count of cells must fit in the bytes left (12 bytes per cell)
    const int subsets = r.ranged("number of subsets", 0, GraphLimits::kMaxSubsets);
    const qint32 points = r.i32();
    if (r.ok() && (points < 0 || points > GraphLimits::kMaxPoints))
        r.impossible("number of points");
    if (r.ok() && qint64(subsets) * points * 12 > r.remaining())
        r.fail(AddedText("The graph block holds more cells than its size allows."));
    m.nullY = r.f64();
    if (!r.ok())
        return failWith(r.error);
    m.setSubsets(subsets);
    m.setPoints(points);
    for (int s = 0; s < subsets && r.ok(); ++s) {
        r.f64s(m.x[s].data(), points);
        r.f32s(m.y[s].data(), points);
    }

    // subsets
    for (int s = 0; s < subsets && r.ok(); ++s) {
        m.labels[s] = r.str();
        m.colors[s] = r.color();
        m.lineWidths[s] = r.ranged("line width", 0, 20);
    }
    m.randomSet = r.flag();
    const int randomCount = r.count("list of shown subsets", GraphLimits::kMaxSubsets, 4);
    m.randomSubsets.resize(randomCount);
    for (int i = 0; i < randomCount && r.ok(); ++i)
        m.randomSubsets[i] = r.ranged("shown subset", -1, GraphLimits::kMaxSubsets - 1);

    // axes and scales
    const int axisCount = r.count("number of axes", GraphLimits::kMaxAxes, 36);
    if (r.ok() && axisCount < 1)
        r.impossible("number of axes");
    m.axes.resize(std::max(1, axisCount));
    for (int a = 0; a < axisCount && r.ok(); ++a) {
        TAxisScale &axis = m.axes[a];
        axis.subsets = r.ranged("axis subset count", 0, GraphLimits::kMaxSubsets);
        axis.proportion = r.finite("axis proportion");
        if (r.ok() && (axis.proportion < 0 || axis.proportion > 1))
            r.impossible("axis proportion");
        axis.control = r.ranged("Y scale control", 0, 3);
        axis.minY = r.finite("Y scale");
        axis.maxY = r.finite("Y scale");
        axis.label = r.str();
    }
    m.workingAxis = r.ranged("working axis", 0, std::max(0, axisCount - 1));
    m.scaleControlX = r.ranged("X scale control", 0, 3);
    m.minX = r.finite("X scale");
    m.maxX = r.finite("X scale");

    // annotations
    const int annotationCount = r.count("number of annotations", GraphLimits::kMaxAnnotations, 28);
    m.annotations.resize(annotationCount);
    for (int i = 0; i < annotationCount && r.ok(); ++i) {
        TGraphAnnotation &a = m.annotations[i];
        a.type = r.ranged("annotation type", 0, GraphLimits::kLastAnnotationType);
        a.x = r.f64();
        a.y = r.f64();
        a.text = r.str();
        a.color = r.color();
    }
    m.showAnnotations = r.flag();
    m.annotationTextSize = r.ranged("annotation text size", 10, 1000);
    const int lineCount = r.count("number of line annotations", GraphLimits::kMaxAnnotations, 16);
    m.lineAnnotations.resize(lineCount);
    for (int i = 0; i < lineCount && r.ok(); ++i) {
        TLineAnnotation &a = m.lineAnnotations[i];
        a.x = r.f64();
        a.text = r.str();
        a.color = r.color();
    }
    m.showLineAnnotations = r.flag();
    m.lineAnnotHotSpots = r.flag();
    m.lineAnnotationTextSize = r.ranged("line annotation text size", 10, 1000);

    // table annotation
    const int rows = r.ranged("number of table rows", 0, GraphLimits::kMaxTableCells);
    const int columns = r.ranged("number of table columns", 0, GraphLimits::kMaxTableCells);
    if (r.ok() && qint64(rows) * columns > GraphLimits::kMaxTableCells)
        r.impossible("table size");
    if (r.ok() && qint64(rows) * columns * 8 > r.remaining())
        r.fail(AddedText("The graph block holds more table cells than its size allows."));
    if (r.ok()) {
        m.table.resize(rows, columns);
        for (int i = 0; i < rows * columns && r.ok(); ++i) {
            m.table.texts[i] = r.str();
            m.table.colors[i] = r.color();
        }
    }
    m.table.backColor = r.color();
    m.table.border = r.ranged("table border", 0, 2);
    m.table.textSize = r.ranged("table text size", 10, 1000);
    const int tx = r.ranged("table position", -100000, 100000);
    const int ty = r.ranged("table position", -100000, 100000);
    m.table.location = QPoint(tx, ty);
    m.table.movable = r.flag();
    m.table.show = r.flag();
    m.table.headerRows = r.flag();
    m.table.headerColumn = r.flag();

    // titles
    for (QString *text : {&m.mainTitle, &m.subTitle, &m.xAxisLabel, &m.lowerBoundText,
                          &m.upperBoundText, &m.ryAxisLabel, &m.txAxisLabel})
        *text = r.str();

    // look
    m.gridStyle = r.ranged("grid style", 0, 3);
    m.gridLines = r.ranged("grid line choice", 0, 3);
    m.titleFont = r.font();
    m.labelFont = r.font();
    m.deskColor = r.color();
    m.foreColor = r.color();
    m.backColor = r.color();
    m.textColor = r.color();
    m.plottingMethod = r.ranged("plotting method", 0, 2);
    m.showLegend = r.flag();
    m.dataShadows = r.flag();
    m.dataPrecision = r.ranged("data precision", 0, 9);
    m.arrowCursor = r.ranged("cursor", 0, 3);
    m.allowZooming = r.ranged("zoom choice", 0, 3);
    m.scrollingHorzZoom = r.flag();
    m.scrollingVertZoom = r.flag();
    m.dateTimeMode = r.ranged("date-time mode", 0, 1);
    m.usingXDataII = r.flag();

    // flags
    for (bool *f : {&m.prepareImages, &m.subsetByPoint, &m.noHelp, &m.allowPopup})
        *f = r.flag();
    m.allowDataLabels = r.ranged("data label choice", 0, 3);
    for (bool *f : {&m.nullDataGaps, &m.dataHotSpots, &m.graphHotSpots, &m.graphAnnotHotSpots,
                    &m.noRandomPointsToExport, &m.focalRect, &m.allowBar})
        *f = r.flag();
    m.lineGapThreshold = r.f64();
    if (r.ok() && std::isnan(m.lineGapThreshold))
        r.impossible("line gap threshold");
    for (bool *f : {&m.allowAxisPage, &m.allowFontPage, &m.allowPage1, &m.allowPage2, &m.allowSubsetsPage})
        *f = r.flag();
    if (version >= 2)
        m.unit = r.str();

    if (r.ok() && !r.atEnd())
        r.fail(AddedText("The graph block has unexpected bytes after its end."));
    if (!r.ok())
        return failWith(r.error);
    *out = std::move(m);
    return true;
}

} // namespace GraphBlock
