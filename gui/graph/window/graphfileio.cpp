#include "gui/graph/window/graphfileio.h"

#include "core/base/translation.h"
#include "core/files/graphfile.h"
#include "gui/base/dialogs.h"
#include "gui/graph/window/graphhost.h"
#include "gui/graph/engine/pesgraph.h"

#include <QFileInfo>

QWidget *GraphMessageParent(QWidget *preferred)
{
    if (preferred)
        return preferred;
    IGraphHost *host = GraphHost();
    return host ? host->MainWindow() : nullptr;
}

QString GraphFileNativePath(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

bool SaveGraphFile(PESGraph *graph, const QString &path)
{
    if (!graph)
        return false;
    QString error;
    if (!WriteGraphFileBlock(path, graph->SaveGraphBlock(), &error)) {
        Dialogs::Message(GraphMessageParent(graph->window()), Dialogs::Kind::Error,
                         AddedText("Cannot write the graph file \"%1\".\n%2").arg(GraphFileNativePath(path), error));
        return false;
    }
    return true;
}

bool LoadGraphFile(PESGraph *graph, const QString &path)
{
    if (!graph)
        return false;
    QByteArray block;
    QString error;
    if (!ReadGraphFileBlock(path, &block, &error)) {
        Dialogs::Message(GraphMessageParent(graph->window()), Dialogs::Kind::Error,
                         AddedText("Cannot read the graph file \"%1\".\n%2").arg(GraphFileNativePath(path), error));
        return false;
    }
    if (!graph->LoadGraphBlock(block, &error)) {
        Dialogs::Message(GraphMessageParent(graph->window()), Dialogs::Kind::Error,
                         AddedText("\"%1\" does not hold a valid graph.\n%2").arg(GraphFileNativePath(path), error));
        return false;
    }
    return true;
}
