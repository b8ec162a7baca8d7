#include "app/documents.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "core/base/paths.h"
#include "core/base/translation.h"
#include "core/files/graphfile.h"
#include "gui/base/dialogs.h"
#include "gui/base/opensave.h"
#include "gui/files/graphfile.h"
#include "gui/files/texttable.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphhost.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/graph/window/realtime.h"
#include "gui/logger/collection.h"
#include "gui/logger/loggerhost.h"

#include <QDir>
#include <QFileInfo>

namespace {

QWidget *MainWindow()
{
    IGraphHost *host = GraphHost();
    return host ? host->MainWindow() : nullptr;
}

} // namespace

bool SaveDocument(QWidget *child)
{
    if (!child)
        return false;
    if (child->inherits("TfrmList") || child->objectName() == QLatin1String("frmList"))
        return ExportTableText(child);
    auto *graph = qobject_cast<TfrmGraph *>(child);
    if (!graph)
        return false; // the front panel and other windows have nothing to save
    if (!graph->IsLoggerRole()) {
        const bool saved = SaveGraphAs(graph->PESGraph1, graph);
        if (saved && graph->IsRealTimeRole()) {
            // Saved as it stands: closing asks again only after a new point.
            GraphAppState().RealTimeGraphUnsaved = false;
            // A stopped recording once saved needs its journal no more.
            if (!GraphAppState().RealTimeRecording)
                DiscardRealTimeJournal();
        }
        return saved;
    }
    TfrmOpenSave chooser(TfrmOpenSave::SaveRole, MainWindow());
    Dialogs::Exec(&chooser);
    switch (chooser.Answer()) {
    case Dialogs::Ok:
        return SaveCollection(graph);
    case Dialogs::No:
        return SaveGraphAs(graph->PESGraph1, graph);
    default:
        return false;
    }
}

void OpenDocument(QWidget *parent)
{
    if (!parent)
        parent = MainWindow();
    TfrmOpenSave chooser(TfrmOpenSave::OpenRole, parent);
    Dialogs::Exec(&chooser);
    const int answer = chooser.Answer();
    if (answer == Dialogs::Ok) {
        OpenCollection(parent);
        return;
    }
    if (answer != Dialogs::No)
        return;
    Dialogs::FileRequest request;
    request.parent = parent;
    request.save = false;
    request.title = GetTextOrDefault(QStringLiteral("IDS_43"));
    if (request.title.trimmed().isEmpty())
        request.title = QStringLiteral("Open File");
    request.folder = DialogFolder(GraphAppState().UserFolder);
    request.filter = QtFilterFromPairs(GraphFileFilter(LocaleUtil::DecimalIsComma()));
    const QString path = Dialogs::FileName(request);
    if (!path.isEmpty())
        OpenSingleFile(path);
}

void OpenSingleFile(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("ghf"))
        OpenGraphFile(path);
    else if (ext == QLatin1String("txt") || ext == QLatin1String("csv"))
        ImportTableText(path);
}

bool OpenFileFromOutside(const QString &name)
{
    const QFileInfo info(name);
    const QString path = info.absoluteFilePath(); // the window's title shows where the file lies
    const QString ext = info.suffix().toLower();
    const bool table = ext == QLatin1String("txt") || ext == QLatin1String("csv");
    if (ext != QLatin1String("738") && ext != QLatin1String("ghf") && !table) {
        // Not a kind of file the program opens: said where the user looks.
        Dialogs::Message(MainWindow(), Dialogs::Kind::Error,
                         AddedText("Cannot open \"%1\": not a file the program opens.")
                             .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    // A file of a kind the program opens goes the way File > Open takes it,
    // so one that cannot be read (missing, unreadable) gets the same message box.
    if (ext == QLatin1String("738")) {
        ILoggerHost *host = LoggerHost();
        if (!host || AskToSaveUnsavedDownload(host->State()))
            OpenCollectionFile(path);
        return info.isFile();
    }
    OpenSingleFile(path);
    return info.isFile();
}
