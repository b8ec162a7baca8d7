#include "files/graphfile.h"

#include "app/datetime.h"
#include "app/dialogs.h"
#include "app/frmmain.h"
#include "app/opensave.h"
#include "app/paths.h"
#include "app/translation.h"
#include "graph/graph.h"
#include "graph/pesgraph.h"
#include "graph/realtime.h"

#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QSaveFile>
#include <QtEndian>

namespace GraphFileHooks {
std::function<bool(PESGraph *, const QString &, QChar)> ExportGraphText;
std::function<bool(QWidget *)> SaveTableText;
std::function<void(const QString &)> ImportTableText;
std::function<bool(QWidget *)> SaveCollection;
std::function<void(QWidget *)> OpenCollection;
std::function<void(const QString &)> OpenCollectionFile;
} // namespace GraphFileHooks

namespace {

void SetError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QWidget *MessageParent(QWidget *preferred)
{
    if (preferred)
        return preferred;
    return TfrmMain::Instance();
}

QString NativePath(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

// ---- the file frame ----------------------------------------------------------

bool WriteGraphFileBlock(const QString &path, const QByteArray &block, QString *error)
{
    if (quint64(block.size()) > 0xFFFFFFFFull) {
        SetError(error, AddedText("The graph is too large for a graph file."));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        SetError(error, file.errorString());
        return false;
    }
    uchar length[4];
    qToLittleEndian<quint32>(quint32(block.size()), length);
    if (file.write(reinterpret_cast<const char *>(length), 4) != 4
        || file.write(block) != block.size()) {
        SetError(error, file.errorString());
        file.cancelWriting();
        return false;
    }
    // A disk that fills up may take part of the data without reporting an
    // error: compare what reached the file before it replaces the old one.
    const qint64 expected = 4 + qint64(block.size());
    if (!file.flush() || file.size() != expected) {
        SetError(error, file.error() != QFileDevice::NoError && !file.errorString().isEmpty()
                            ? file.errorString()
                            : AddedText("Only %1 of %2 bytes could be written (is the disk full?).")
                                  .arg(file.size())
                                  .arg(expected));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        SetError(error, file.errorString());
        return false;
    }
    return true;
}

bool ReadGraphFileBlock(const QString &path, QByteArray *block, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SetError(error, file.errorString());
        return false;
    }
    return ReadGraphFileBlock(file, block, error);
}

bool ReadGraphFileBlock(QIODevice &file, QByteArray *block, QString *error)
{
    const qint64 size = file.size();
    if (size < 4) {
        SetError(error, AddedText("The file is too short to be a graph file (%1 bytes).").arg(size));
        return false;
    }
    uchar length[4];
    if (file.read(reinterpret_cast<char *>(length), 4) != 4) {
        SetError(error, file.errorString());
        return false;
    }
    const quint32 n = qFromLittleEndian<quint32>(length);
    // Never trust the length field beyond what the file holds.
    if (qint64(n) > size - 4) {
        SetError(error, AddedText("The file is damaged: it announces %1 bytes of graph data but holds only %2.")
                            .arg(n)
                            .arg(size - 4));
        return false;
    }
    QByteArray data = file.read(qint64(n));
    if (data.size() != qint64(n)) {
        SetError(error, AddedText("The file could not be read completely."));
        return false;
    }
    *block = data;
    return true;
}

// ---- graph files with messages -----------------------------------------------

bool SaveGraphFile(PESGraph *graph, const QString &path)
{
    if (!graph)
        return false;
    QString error;
    if (!WriteGraphFileBlock(path, graph->SaveGraphBlock(), &error)) {
        Dialogs::Message(MessageParent(graph->window()), Dialogs::Kind::Error,
                         AddedText("Cannot write the graph file \"%1\".\n%2").arg(NativePath(path), error));
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
        Dialogs::Message(MessageParent(graph->window()), Dialogs::Kind::Error,
                         AddedText("Cannot read the graph file \"%1\".\n%2").arg(NativePath(path), error));
        return false;
    }
    if (!graph->LoadGraphBlock(block, &error)) {
        Dialogs::Message(MessageParent(graph->window()), Dialogs::Kind::Error,
                         AddedText("\"%1\" does not hold a valid graph.\n%2").arg(NativePath(path), error));
        return false;
    }
    return true;
}

TfrmGraph *OpenGraphFile(const QString &path)
{
    QByteArray block;
    QString error;
    if (!ReadGraphFileBlock(path, &block, &error)) {
        Dialogs::Message(MessageParent(nullptr), Dialogs::Kind::Error,
                         AddedText("Cannot read the graph file \"%1\".\n%2").arg(NativePath(path), error));
        return nullptr;
    }
    auto *window = new TfrmGraph;
    if (!window->PESGraph1->LoadGraphBlock(block, &error)) {
        delete window;
        Dialogs::Message(MessageParent(nullptr), Dialogs::Kind::Error,
                         AddedText("\"%1\" does not hold a valid graph.\n%2").arg(NativePath(path), error));
        return nullptr;
    }
    window->setWindowTitle(NativePath(path));
    window->Embed();
    if (TfrmMain *main = TfrmMain::Instance()) {
        // Top-left of the frame, filling the frame's client area.
        if (QWidget *frame = window->parentWidget()) {
            frame->move(0, 0);
            frame->resize(main->MdiArea->width(), std::max(200, main->MdiArea->height()));
        }
    }
    window->ApplyLoadedGraph();
    window->ComputeGraphStatistics();
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
    if (ext == QLatin1String("txt") || ext == QLatin1String("csv")) {
        const QChar separator = ext == QLatin1String("txt") ? QChar('\t') : QChar(',');
        if (GraphFileHooks::ExportGraphText)
            return GraphFileHooks::ExportGraphText(graph, path, separator);
        return false;
    }
    return false; // any other extension writes nothing
}

// ---- File menu ---------------------------------------------------------------

bool SaveDocument(QWidget *child)
{
    if (!child)
        return false;
    if (child->inherits("TfrmList") || child->objectName() == QLatin1String("frmList"))
        return GraphFileHooks::SaveTableText ? GraphFileHooks::SaveTableText(child) : false;
    auto *graph = qobject_cast<TfrmGraph *>(child);
    if (!graph)
        return false; // the front panel and other windows have nothing to save
    if (!graph->IsLoggerRole()) {
        const bool saved = SaveGraphAs(graph->PESGraph1, graph);
        // A stopped recording once saved needs its journal no more.
        if (saved && graph->IsRealTimeRole() && !GraphAppState().RealTimeRecording)
            DiscardRealTimeJournal();
        return saved;
    }
    TfrmOpenSave chooser(TfrmOpenSave::SaveRole, TfrmMain::Instance());
    Dialogs::Exec(&chooser);
    switch (chooser.Answer()) {
    case Dialogs::Ok:
        return GraphFileHooks::SaveCollection ? GraphFileHooks::SaveCollection(graph) : false;
    case Dialogs::No:
        return SaveGraphAs(graph->PESGraph1, graph);
    default:
        return false;
    }
}

void OpenDocument(QWidget *parent)
{
    if (!parent)
        parent = TfrmMain::Instance();
    TfrmOpenSave chooser(TfrmOpenSave::OpenRole, parent);
    Dialogs::Exec(&chooser);
    const int answer = chooser.Answer();
    if (answer == Dialogs::Ok) {
        if (GraphFileHooks::OpenCollection)
            GraphFileHooks::OpenCollection(parent);
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
    else if ((ext == QLatin1String("txt") || ext == QLatin1String("csv")) && GraphFileHooks::ImportTableText)
        GraphFileHooks::ImportTableText(path);
}

bool OpenFileFromOutside(const QString &name)
{
    const QFileInfo info(name);
    if (!info.isFile())
        return false;
    const QString path = info.absoluteFilePath(); // the window's title shows where the file lies
    const QString ext = info.suffix().toLower();
    if (ext == QLatin1String("738")) {
        if (!GraphFileHooks::OpenCollectionFile)
            return false;
        GraphFileHooks::OpenCollectionFile(path);
        return true;
    }
    const bool table = ext == QLatin1String("txt") || ext == QLatin1String("csv");
    if (ext != QLatin1String("ghf") && !(table && GraphFileHooks::ImportTableText))
        return false;
    OpenSingleFile(path);
    return true;
}

// ---- filters -----------------------------------------------------------------

QString GraphFileFilter(bool decimalIsComma)
{
    QString filter = QStringLiteral("Graph file(*.ghf,only for QM738)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT");
    if (!decimalIsComma)
        filter += QStringLiteral("|EXCEL file format(*.CSV,seperated by comma)|*.CSV");
    return filter;
}

QString QtFilterFromPairs(const QString &pairs)
{
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &p : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = p.trimmed();
            if (!patterns.contains(t))
                patterns << t;
            if (!patterns.contains(t.toLower()))
                patterns << t.toLower();
            if (!patterns.contains(t.toUpper()))
                patterns << t.toUpper();
        }
        out << QStringLiteral("%1 (%2)").arg(parts.at(i), patterns.join(QLatin1Char(' ')));
    }
    return out.join(QStringLiteral(";;"));
}
