#include "gui/graph/window/graphhost.h"

#include "core/base/appstate.h"
#include "core/record/rtrecording.h"

namespace {
IGraphHost *g_host = nullptr;
}

IGraphHost *GraphHost() { return g_host; }
void SetGraphHost(IGraphHost *host) { g_host = host; }

bool HostSaveGraphAs(PESGraph *graph, QWidget *parent)
{
    return g_host && g_host->SaveGraphAs(graph, parent);
}

bool HostSaveDocument(QWidget *child)
{
    return g_host && g_host->SaveDocument(child);
}

TAppState &GraphAppState()
{
    if (IGraphHost *host = GraphHost())
        return host->State();
    static TAppState alone;
    return alone;
}

TRealTimeRecording &RealTimeModel()
{
    static TRealTimeRecording model;
    model.Bind(&GraphAppState());
    return model;
}
