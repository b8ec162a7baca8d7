#include "gui/graph/window/graphsetup.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "core/base/paths.h"
#include "core/base/translation.h"
#include "gui/graph/window/graphfileio.h"
#include "gui/graph/window/graphhost.h"
#include "core/graph/graphmodel.h"
#include "gui/graph/engine/pesgraph.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QMdiArea>
#include <QToolButton>

#include <algorithm>

namespace {

QString TextOr(const char *key, const char *fallback)
{
    const QString t = GetTextOrDefault(QLatin1String(key));
    return t.isEmpty() ? QString::fromLatin1(fallback) : t;
}

void ApplyDefaultLook(PESGraph *g, float yMax, float yMin)
{
    g->setShowLineAnnotations(true);
    g->setAllowLineAnnotHotSpots(true);
    g->setLineAnnotationTextSize(80);
    g->setLineAnnotationTextSize(100);
    g->setVertLineAnnotationColor(0, QColor(0, 0, 255));
    g->setVertLineAnnotationColor(1, QColor(255, 0, 0));

    g->setShowAnnotations(true);
    g->setGraphAnnotationTextSize(100);
    g->setGridStyle(PESGraph::GridDotted);
    g->setMainTitle(QString());
    g->setSubTitle(QStringLiteral(" "));

    static const QColor colors[5] = {QColor(255, 255, 0), QColor(0, 0, 255), QColor(255, 0, 0),
                                     QColor(0, 255, 0), QColor(255, 0, 255)};
    const QString labels[5] = {QStringLiteral("%RH"), QStringLiteral("T1"), QStringLiteral("T2"),
                               TextOr("IDS_9", "WET BULB"), TextOr("IDS_10", "DEW POINT")};
    for (int k = 0; k < 5 && k < g->Subsets(); ++k)
        g->setSubsetLabels(k, labels[k]);
    g->setXAxisLabel(TextOr("IDS_11", "Time"));

    g->setDateTimeMode(1);
    g->setUsingXDataII(true);
    g->setAllowZooming(PESGraph::ZoomBoth);
    g->setScrollingHorzZoom(true);
    g->setScrollingVertZoom(true);

    g->setGraphForeColor(QColor(0, 128, 0));
    g->setGraphBackColor(QColor(0, 0, 0));
    g->setDeskColor(QColor(192, 192, 192));
    g->setTextColor(QColor(0, 0, 0));
    for (int k = 0; k < 5 && k < g->Subsets(); ++k)
        g->setSubsetColors(k, colors[k]);

    g->setAllowAxisPage(false);
    g->setArrowCursor(PESGraph::CursorArrow);

    g->setWorkingAxis(0);
    g->setYAxisLabel(QString());
    g->setManualScaleControlY(PESGraph::ScaleManualMinMax);
    g->setManualMinY(yMin);
    g->setManualMaxY(yMax);
}

} // namespace

void InitGraphDefaults(PESGraph *g)
{
    g->setPlottingMethod(PESGraph::PlotLine);
    g->setShowLegend(true);
    g->setGridLineControl(PESGraph::GridBoth);
    g->setDataShadows(true);
    g->setDataPrecision(3);
    g->setNullDataGaps(false);
    g->setAllowDataHotSpots(false);
    g->setAllowGraphHotSpots(false);
    g->setTitleFont(QFont(QStringLiteral("Times New Roman"), 12, QFont::Bold));
    g->setLabelFont(QFont(QStringLiteral("Arial"), 9));
}

bool SetUpGraph(PESGraph *g, int subsets, float yMax, float yMin, double xMax, double xMin, int points)
{
    if (!g)
        return false;
    const QString templatePath = TemplateReadPath();
    const bool haveTemplate = !templatePath.isEmpty() && QFileInfo(templatePath).isFile();
    if (haveTemplate) {
        if (!LoadGraphFile(g, templatePath))
            return false;
        // The template gives the look; what the old graph showed stays behind.
        TGraphModel look = g->model();
        DropGraphContent(look);
        g->setModel(look);
    }

    g->setPrepareImages(true);
    g->setNullDataValueY(9999.0);
    g->setSubsetByPoint(false);
    g->setSubsets(subsets);
    g->setPoints(std::max(0, points));
    g->setNoHelp(true);
    g->setAllowPopup(false);

    for (int s = 0; s < g->Subsets(); ++s)
        for (int p = 0; p < g->Points(); ++p) {
            g->setXDataII(s, p, 0.0);
            g->setYData(s, p, 9999.0f);
        }

    g->setAllowDataLabels(0);

    if (xMin != 0) {
        g->setManualScaleControlX(PESGraph::ScaleManualMinMax);
        g->setManualMinX(xMin);
        g->setManualMaxX(xMax);
    }

    if (!haveTemplate)
        ApplyDefaultLook(g, yMax, yMin);

    g->resetMultiAxes();
    g->setWorkingAxis(0);
    g->setYAxisLabel(QString());
    g->setAllowGraphAnnotHotSpots(true);
    g->Redraw();
    return true;
}

