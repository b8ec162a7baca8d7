// The graph engine's annotations: graph annotations (texts and symbols at a
// point), line annotations (horizontal lines) and the table annotation.
#include "gui/graph/engine/pesgraph.h"

#include "core/graph/graphmodel.h"
#include "gui/graph/engine/graphview.h"

#include <algorithm>

// ---- graph annotations -----------------------------------------------------

static TGraphAnnotation *annotationAt(TGraphModel &m, int index)
{
    if (index < 0 || index >= PESGraph::kMaxAnnotations)
        return nullptr;
    if (m.annotations.size() <= index)
        m.annotations.resize(index + 1);
    return &m.annotations[index];
}

int PESGraph::graphAnnotationCount() const { return int(m->annotations.size()); }
int PESGraph::GraphAnnotationType(int index) const { return m->annotations.value(index).type; }
void PESGraph::setGraphAnnotationType(int index, int type)
{
    if (auto *a = annotationAt(*m, index)) {
        a->type = std::clamp(type, 0, int(AnnotLastType));
        view->markAnnotationsDirty();
    }
}
double PESGraph::GraphAnnotationX(int index) const { return m->annotations.value(index).x; }
void PESGraph::setGraphAnnotationX(int index, double x)
{
    if (auto *a = annotationAt(*m, index)) {
        a->x = x;
        view->markAnnotationsDirty();
    }
}
double PESGraph::GraphAnnotationY(int index) const { return m->annotations.value(index).y; }
void PESGraph::setGraphAnnotationY(int index, double y)
{
    if (auto *a = annotationAt(*m, index)) {
        a->y = y;
        view->markAnnotationsDirty();
    }
}
QString PESGraph::GraphAnnotationText(int index) const { return m->annotations.value(index).text; }
void PESGraph::setGraphAnnotationText(int index, const QString &text)
{
    if (auto *a = annotationAt(*m, index)) {
        a->text = text;
        view->markAnnotationsDirty();
    }
}
QColor PESGraph::GraphAnnotationColor(int index) const
{
    return m->annotations.value(index).color;
}
void PESGraph::setGraphAnnotationColor(int index, const QColor &color)
{
    if (auto *a = annotationAt(*m, index)) {
        a->color = color;
        view->markAnnotationsDirty();
    }
}
bool PESGraph::ShowAnnotations() const { return m->showAnnotations; }
void PESGraph::setShowAnnotations(bool on)
{
    m->showAnnotations = on;
    view->markAnnotationsDirty();
}
int PESGraph::GraphAnnotationTextSize() const { return m->annotationTextSize; }
void PESGraph::setGraphAnnotationTextSize(int percent)
{
    m->annotationTextSize = std::clamp(percent, 10, 1000);
    view->markAnnotationsDirty();
}

// ---- line annotations ------------------------------------------------------

static TLineAnnotation *lineAt(TGraphModel &m, int index)
{
    if (index < 0 || index >= PESGraph::kMaxAnnotations)
        return nullptr;
    if (m.lineAnnotations.size() <= index)
        m.lineAnnotations.resize(index + 1);
    return &m.lineAnnotations[index];
}

int PESGraph::lineAnnotationCount() const { return int(m->lineAnnotations.size()); }
double PESGraph::VertLineAnnotation(int index) const { return m->lineAnnotations.value(index).x; }
void PESGraph::setVertLineAnnotation(int index, double x)
{
    if (auto *a = lineAt(*m, index)) {
        a->x = x;
        view->markAnnotationsDirty();
    }
}
QString PESGraph::VertLineAnnotationText(int index) const { return m->lineAnnotations.value(index).text; }
void PESGraph::setVertLineAnnotationText(int index, const QString &text)
{
    if (auto *a = lineAt(*m, index)) {
        a->text = text;
        view->markAnnotationsDirty();
    }
}
QColor PESGraph::VertLineAnnotationColor(int index) const
{
    return m->lineAnnotations.value(index).color;
}
void PESGraph::setVertLineAnnotationColor(int index, const QColor &color)
{
    if (auto *a = lineAt(*m, index)) {
        a->color = color;
        view->markAnnotationsDirty();
    }
}
bool PESGraph::ShowLineAnnotations() const { return m->showLineAnnotations; }
void PESGraph::setShowLineAnnotations(bool on)
{
    m->showLineAnnotations = on;
    view->markAnnotationsDirty();
}
bool PESGraph::AllowLineAnnotHotSpots() const { return m->lineAnnotHotSpots; }
void PESGraph::setAllowLineAnnotHotSpots(bool on) { m->lineAnnotHotSpots = on; }
int PESGraph::LineAnnotationTextSize() const { return m->lineAnnotationTextSize; }
void PESGraph::setLineAnnotationTextSize(int percent)
{
    m->lineAnnotationTextSize = std::clamp(percent, 10, 1000);
    view->markAnnotationsDirty();
}

// ---- table annotation ------------------------------------------------------

int PESGraph::TARows() const { return m->table.rows; }
void PESGraph::setTARows(int rows)
{
    rows = std::max(0, rows);
    if (qint64(rows) * m->table.columns > kMaxTableCells)
        return;
    m->table.resize(rows, m->table.columns);
    view->markAnnotationsDirty();
}
int PESGraph::TAColumns() const { return m->table.columns; }
void PESGraph::setTAColumns(int columns)
{
    columns = std::max(0, columns);
    if (qint64(columns) * m->table.rows > kMaxTableCells)
        return;
    m->table.resize(m->table.rows, columns);
    view->markAnnotationsDirty();
}
static int cellIndex(const TTableAnnotation &t, int row, int column)
{
    if (row < 0 || row >= t.rows || column < 0 || column >= t.columns)
        return -1;
    return row * t.columns + column;
}
QString PESGraph::TAText(int row, int column) const
{
    const int i = cellIndex(m->table, row, column);
    return i < 0 ? QString() : m->table.texts[i];
}
void PESGraph::setTAText(int row, int column, const QString &text)
{
    const int i = cellIndex(m->table, row, column);
    if (i >= 0) {
        m->table.texts[i] = text;
        view->markAnnotationsDirty();
    }
}
QColor PESGraph::TAColor(int row, int column) const
{
    const int i = cellIndex(m->table, row, column);
    return i < 0 ? QColor() : m->table.colors[i];
}
void PESGraph::setTAColor(int row, int column, const QColor &color)
{
    const int i = cellIndex(m->table, row, column);
    if (i >= 0) {
        m->table.colors[i] = color;
        view->markAnnotationsDirty();
    }
}
QColor PESGraph::TABackColor() const { return m->table.backColor; }
void PESGraph::setTABackColor(const QColor &color)
{
    m->table.backColor = color;
    view->markAnnotationsDirty();
}
int PESGraph::TABorder() const { return m->table.border; }
void PESGraph::setTABorder(int border)
{
    m->table.border = std::clamp(border, 0, 2);
    view->markAnnotationsDirty();
}
int PESGraph::TATextSize() const { return m->table.textSize; }
void PESGraph::setTATextSize(int percent)
{
    m->table.textSize = std::clamp(percent, 10, 1000);
    view->markAnnotationsDirty();
}
QPoint PESGraph::TALocation() const { return m->table.location; }
void PESGraph::setTALocation(const QPoint &pixels)
{
    m->table.location = pixels;
    view->markAnnotationsDirty();
}
bool PESGraph::TAMovable() const { return m->table.movable; }
void PESGraph::setTAMovable(bool on) { m->table.movable = on; }
bool PESGraph::TAShow() const { return m->table.show; }
void PESGraph::setTAShow(bool on)
{
    m->table.show = on;
    view->markAnnotationsDirty();
}
bool PESGraph::TAHeaderRows() const { return m->table.headerRows; }
void PESGraph::setTAHeaderRows(bool on)
{
    m->table.headerRows = on;
    view->markAnnotationsDirty();
}
bool PESGraph::TAHeaderColumn() const { return m->table.headerColumn; }
void PESGraph::setTAHeaderColumn(bool on)
{
    m->table.headerColumn = on;
    view->markAnnotationsDirty();
}
QRect PESGraph::tableRect() const { return view->tableRect(); }
