#include "gui/graph/graphhost.h"

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
