#include "gui/files/graphfile.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "core/base/paths.h"
#include "core/base/translation.h"
#include "core/files/graphfile.h"
#include "core/files/textformat.h"
#include "gui/base/dialogs.h"
#include "gui/files/texttable.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphfileio.h"
#include "gui/graph/window/graphhost.h"
#include "gui/graph/engine/pesgraph.h"

#include <QFileInfo>

#include <algorithm>

TfrmGraph *OpenGraphFile(const QString &path)
{
    QByteArray block;
    QString error;
    if (!ReadGraphFileBlock(path, &block, &error)) {
        Dialogs::Message(GraphMessageParent(nullptr), Dialogs::Kind::Error,
                         AddedText("Cannot read the graph file \"%1\".\n%2").arg(GraphFileNativePath(path), error));
        return nullptr;
    }
    auto *window = new TfrmGraph;
    if (!window->PESGraph1->LoadGraphBlock(block, &error)) {
        delete window;
        Dialogs::Message(GraphMessageParent(nullptr), Dialogs::Kind::Error,
                         AddedText("\"%1\" does not hold a valid graph.\n%2").arg(GraphFileNativePath(path), error));
        return nullptr;
    }
    window->setWindowTitle(GraphFileNativePath(path));
    window->Embed();
    if (IGraphHost *host = GraphHost()) {
        // Top-left of the frame, filling the frame's client area.
        if (QWidget *frame = window->parentWidget()) {
            const QSize area = host->ClientAreaSize();
            frame->move(0, 0);
            frame->resize(area.width(), std::max(200, area.height()));
        }
    }
    window->ApplyLoadedGraph();
    window->FitYAxisToValues();
    window->ComputeGraphStatistics();
    // A statistics table saved with the graph shows this program's values
    // and locale, not those of the program that saved it.
    if (window->PESGraph1->TAShow())
        window->Button2Click();
    return window;
}

bool SaveGraphAs(PESGraph *graph, QWidget *parent)
{
    if (!graph)
        return false;
    Dialogs::FileRequest request;
    request.parent = parent ? parent : graph->window();
    request.save = true;
    request.title = GetTextOrDefault(QStringLiteral("IDS_22"));
    if (request.title.trimmed().isEmpty())
        request.title = QStringLiteral("Save File");
    request.folder = DialogFolder(GraphAppState().UserFolder);
    request.filter = QtFilterFromPairs(GraphFileFilter(LocaleUtil::DecimalIsComma()));
    request.defaultSuffix = QStringLiteral("GHF");
    const QString path = Dialogs::FileName(request);
    if (path.isEmpty())
        return false;
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("ghf"))
        return SaveGraphFile(graph, path);
    if (ext == QLatin1String("txt") || ext == QLatin1String("csv"))
        return ExportGraphText(graph, path, TextFormat::GraphSeparatorFor(path)); // ";" for CSV with a decimal comma
    return false; // any other extension writes nothing
}
