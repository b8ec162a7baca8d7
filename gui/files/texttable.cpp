#include "gui/files/texttable.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "gui/base/dialogs.h"
#include "core/base/paths.h"
#include "core/base/translation.h"
#include "core/files/exportunits.h"
#include "core/files/graphfile.h"
#include "core/files/textformat.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/logger/list.h"
#include "core/base/progresspump.h"
#include "gui/base/scope.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QSaveFile>
#include <QTableWidget>

namespace {

QString Text(const char *key, const char *english)
{
    const QString text = GetTextOrDefault(QLatin1String(key));
    return text.trimmed().isEmpty() ? QString::fromLatin1(english) : text;
}

enum class RangeAnswer { Chosen, Cancelled, Invalid };

// The range dialog over 1 .. last; `invalidText` is the message for a bad number.
RangeAnswer AskRange(QWidget *parent, int last, const QString &invalidText, TextFormat::TRange *range)
{
    TfrmScope dialog(parent);
    dialog.SetRole(TfrmScope::Role::Range);
    dialog.setWindowTitle(Text("IDS_22", "Save File"));
    dialog.edtSelFrom->setText(QStringLiteral("1"));
    dialog.edtSelTo->setText(QString::number(last));
    dialog.CentreOnScreen();
    if (Dialogs::Exec(&dialog) != QDialog::Accepted)
        return RangeAnswer::Cancelled;
    *range = TextFormat::ChooseRange(dialog.AllSelected(), dialog.FromText(), dialog.ToText(), last);
    if (!range->valid) {
        Dialogs::Message(parent, Dialogs::Kind::Error, invalidText);
        return RangeAnswer::Invalid;
    }
    return RangeAnswer::Chosen;
}

// The export's output: written whole when finished or cancelled; a write that
// fails leaves any earlier file of that name as it was.
class TExportFile
{
public:
    explicit TExportFile(const QString &path) : m_file(path) {}
    bool Open() { return m_file.open(QIODevice::WriteOnly); }
    bool Write(const QString &line)
    {
        const QByteArray bytes = line.toUtf8();
        return m_file.write(bytes) == bytes.size();
    }
    bool Commit()
    {
        if (m_file.flush() && m_file.commit())
            return true;
        m_file.cancelWriting();
        return false;
    }
    void Discard() { m_file.cancelWriting(); }
    QString ErrorString() const { return m_file.errorString(); }

private:
    QSaveFile m_file;
};

void ReportWriteFailure(QWidget *parent, const QString &path, const QString &reason, int linesWritten)
{
    QString text = AddedText("Cannot write the text file \"%1\".\n%2").arg(QFileInfo(path).absoluteFilePath(), reason);
    if (linesWritten > 0)
        text += AddedText("\nThe export stopped after %1 lines; the file was not saved.").arg(linesWritten);
    Dialogs::Message(parent, Dialogs::Kind::Error, text);
}

// The export progress window, shown without blocking.
void ShowExportProgress(TfrmScope &progress, int count)
{
    progress.SetRole(TfrmScope::Role::ExportProgress);
    progress.setWindowTitle(Text("IDS_30", "Saving Progress"));
    progress.SText1->setText(Text("IDS_31", "saving....."));
    progress.Progress1->setRange(0, std::max(count, 1));
    progress.Progress1->setValue(0);
    progress.CentreOnScreen();
    progress.show();
}

// Writes `count` lines made by `line(i)` (nullptr for "stop here") with the
// progress window; true when the file was saved.
template <typename LineMaker>
bool WriteLines(QWidget *parent, const QString &path, int count, LineMaker line)
{
    TExportFile file(path);
    if (!file.Open()) {
        ReportWriteFailure(parent, path, file.ErrorString(), 0);
        return false;
    }
    TfrmScope progress; // no parent: a window closed meanwhile cannot take it along
    ShowExportProgress(progress, count);
    const QPointer<QWidget> owner(parent);
    TProgressPump pump;
    int written = 0;
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        QString text;
        if (!line(i, &text))
            break;
        if (!file.Write(text)) {
            ok = false;
            break;
        }
        ++written;
        // The bar repaints itself at every new percent: it is moved when
        // messages run, not at every line.
        if (pump.Due()) {
            progress.Progress1->setValue(i + 1);
            pump.Run();
            if (progress.CancelRequested())
                break;
        }
    }
    progress.hide();
    if (ok && file.Commit())
        return true;
    const QString reason = file.ErrorString();
    file.Discard();
    ReportWriteFailure(owner, path, reason, written);
    return false;
}

QWidget *WindowOf(QWidget *widget) { return widget ? widget->window() : nullptr; }

} // namespace

bool ExportGraphText(PESGraph *graph, const QString &path, QChar separator)
{
    if (!graph)
        return false;
    QWidget *parent = WindowOf(graph);
    TextFormat::TRange range;
    if (AskRange(parent, graph->Points(), Text("IDS_29", "invalid integer"), &range) != RangeAnswer::Chosen)
        return false;
    const int subsets = std::min(graph->Subsets(), int(PESGraph::kMaxSubsets));
    std::vector<float> values(size_t(std::max(subsets, 1)));
    TextFormat::TGraphLineWriter writer(separator);
    const QPointer<PESGraph> alive(graph); // its window may be closed meanwhile
    const QString unit = graph->Unit();
    const bool written = WriteLines(parent, path, range.Count(), [&](int i, QString *text) {
        if (!alive)
            return false;
        const int p = range.from - 1 + i;
        for (int s = 0; s < subsets; ++s)
            values[size_t(s)] = graph->YData(s, p);
        return TextFormat::ExportPointLine(writer, graph->XDataII(0, p), values.data(), subsets, text);
    });
    // A table opened from this file later names the unit.
    if (written)
        RememberExportUnit(path, unit);
    return written;
}

bool ExportTableText(QWidget *tableWindow)
{
    auto *list = qobject_cast<TfrmList *>(tableWindow);
    if (!list)
        return false;
    Dialogs::FileRequest request;
    request.parent = WindowOf(list);
    request.save = true;
    request.title = Text("IDS_22", "Save File");
    request.folder = DialogFolder(GraphAppState().UserFolder);
    request.filter = QtFilterFromPairs(TextFormat::TableFileFilter(LocaleUtil::DecimalIsComma()));
    request.defaultSuffix = QStringLiteral("TXT");
    const QString path = Dialogs::FileName(request);
    if (path.isEmpty())
        return false;
    const QChar separator = TextFormat::TableSeparatorFor(path);
    TextFormat::TRange range;
    if (AskRange(request.parent, list->RowCount() - 1, QStringLiteral("invalid integer"), &range) != RangeAnswer::Chosen)
        return false;
    const QPointer<TfrmList> alive(list);
    const QString unit = list->Unit();
    const bool written = WriteLines(request.parent, path, range.Count(), [&](int i, QString *text) {
        if (!alive)
            return false;
        *text = TextFormat::TableExportLine(list->DataCells(range.from + i), separator);
        return true;
    });
    if (written)
        RememberExportUnit(path, unit);
    return written;
}

int ImportTextIntoList(TfrmList *list, QIODevice &device, QChar separator, TfrmScope *progress)
{
    TextFormat::TImportLineReader reader(device);
    TProgressPump pump;
    const QPointer<TfrmList> alive(list); // the user may close it while it fills
    const int dataColumns = TfrmList::kColumns - 1;
    int row = 0;
    int rows = list->RowCount();
    QString line;
    while (reader.Next(&line)) {
        const QStringList cells = TextFormat::SplitImportLine(line, separator, dataColumns);
        if (cells.isEmpty())
            break; // a line without a separator ends the file's table
        if (progress && progress->CancelRequested())
            break;
        ++row;
        if (progress && pump.Due()) {
            progress->SText1->setText(QString::number(row));
            pump.Run();
            if (!alive)
                return row;
        }
        if (row >= rows) {
            // Rows come in blocks; the count is trimmed to what was read at the end.
            rows = std::max(rows * 2, row + 1);
            list->SetRowCount(rows);
        }
        list->SetCell(0, row, QString::number(row));
        for (int c = 0; c < cells.size(); ++c)
            list->SetCell(c + 1, row, cells.at(c));
    }
    list->SetRowCount(std::max(2, row + 1));
    if (progress)
        progress->SText1->setText(QString::number(row));
    return row;
}

TfrmList *ImportTableText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Dialogs::Message(nullptr, Dialogs::Kind::Error,
                         AddedText("Cannot read the text file \"%1\".\n%2")
                             .arg(QFileInfo(path).absoluteFilePath(), file.errorString()));
        return nullptr;
    }
    auto *list = new TfrmList;
    list->setWindowTitle(QFileInfo(path).absoluteFilePath());
    list->SetRowCount(2);
    list->Embed();
    list->Grid1->setUpdatesEnabled(false);

    TfrmScope progress; // no parent: a window closed meanwhile cannot take it along
    progress.SetRole(TfrmScope::Role::ImportProgress);
    progress.setWindowTitle(Text("IDS_109", "Open Progress"));
    progress.SText1->setText(QStringLiteral("0"));
    progress.CentreOnScreen();
    progress.show();
    const QPointer<TfrmList> alive(list);
    // The first line tells which separator a CSV file was written with.
    const QByteArray head = file.peek(TextFormat::kImportLineLimit * 4);
    const QString firstLine = QString::fromUtf8(head.left(head.indexOf('\n')));
    ImportTextIntoList(list, file, TextFormat::ImportSeparatorFor(path, firstLine), &progress);
    progress.hide();
    if (!alive)
        return nullptr;
    list->SetUnit(ExportedUnitOf(path));
    list->FitColumnsToContents();
    list->Grid1->setUpdatesEnabled(true);
    list->Grid1->viewport()->update();
    return list;
}

