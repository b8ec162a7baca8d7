#include "fuzz/fuzzentries.h"

#include "core/base/datetime.h"
#include "core/base/translation.h"
#include "core/files/graphfile.h"
#include "core/files/textformat.h"
#include "gui/files/texttable.h"
#include "core/graph/graphmodel.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/engine/pesgraph.h"
#include "core/graph/statistics.h"
#include "core/link/frames.h"
#include "core/live/decoder.h"
#include "core/logger/datasetdecoder.h"
#include "core/logger/datasetlist.h"
#include "gui/logger/datasetgrid.h"
#include "core/logger/datasets.h"
#include "gui/logger/list.h"
#include "sim/simmeter.h"

#include <QApplication>
#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTableWidget>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>

namespace {

// Replies are at most one 64-byte report; longer inputs are cut to the
// largest count a caller could pass.
int Count(size_t size) { return int(std::min<size_t>(size, 1 << 16)); }

QByteArray Bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(std::min<size_t>(size, 1 << 26)));
}

// ---- meter replies ----------------------------------------------------------

bool FuzzLiveReply(const uint8_t *data, size_t size)
{
    const bool accepted = CheckLiveReply(data, Count(size));
    // The decoder never fails, whatever the 64 bytes hold, accepted or not.
    uint8_t reply[ReplyBufferSize] = {};
    std::memcpy(reply, data, std::min(size, sizeof reply));
    HasLiveFraming(reply);
    LiveReplyHasDisplay(reply);
    TLiveReading reading;
    DecodeLiveReply(reply, reading);
    return accepted;
}

bool FuzzIdentityReply(const uint8_t *data, size_t size)
{
    return CheckIdentity(data, Count(size));
}

bool FuzzPageReply(const uint8_t *data, size_t size)
{
    const int count = Count(size);
    const uint16_t echoed = count >= 34 ? uint16_t(data[32] << 8 | data[33]) : 0;
    const bool usb = CheckPageReply(data, count, echoed, TLinkKind::Usb);
    const bool serial = CheckPageReply(data, count, 1, TLinkKind::Serial);
    CheckAcknowledgement(data, count);
    return usb && serial;
}

// ---- graphs -------------------------------------------------------------------

// Everything the windows show of a loaded graph without drawing it.
void ShowStatistics(const TGraphModel &model)
{
    const TGraphStatistics st = ComputeGraphStatistics(model);
    for (int k = 0; k < 3; ++k)
        ExtremeText(k, st.maximum[k], st.maximumTime[k]);
    LocaleUtil::DateTimeText(model.minX);
    LocaleUtil::DateTimeText(model.maxX);
}

bool FuzzGraphBlock(const uint8_t *data, size_t size)
{
    TGraphModel model;
    if (!GraphBlock::Load(Bytes(data, size), &model, nullptr))
        return false;
    ShowStatistics(model);
    // What was accepted can be written again.
    TGraphModel again;
    return GraphBlock::Load(GraphBlock::Save(model), &again, nullptr);
}

// One graph control for every input: loading replaces the whole graph.
PESGraph &FuzzGraph()
{
    static PESGraph *graph = [] {
        auto *g = new PESGraph;
        g->resize(320, 240);
        return g;
    }();
    return *graph;
}

bool FuzzGraphFile(const uint8_t *data, size_t size)
{
    QByteArray bytes = Bytes(data, size);
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    QByteArray block;
    if (!ReadGraphFileBlock(file, &block))
        return false;
    PESGraph &graph = FuzzGraph();
    if (!graph.LoadGraphBlock(block))
        return false;
    ShowStatistics(graph.model());
    graph.Redraw();
    QImage image(graph.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    graph.render(&painter);
    return true;
}

// ---- translation tables ------------------------------------------------------

bool FuzzLanguageTable(const uint8_t *data, size_t size)
{
    TLangData table;
    table.Parse(Bytes(data, size));
    for (const QString &section : TLangData::SectionNames())
        for (const TLangEntry &e : table.Section(section))
            for (int language = 0; language <= 3; ++language)
                table.Text(section, e.key, language);
    return !table.IsEmpty();
}

// ---- seeds, made by the program's own writers ----------------------------------

QVector<QByteArray> LiveSeeds()
{
    QVector<QByteArray> seeds;
    TSimMeter meter;
    meter.SetManualClock(true);
    seeds << meter.LiveReply();
    meter.SetUnitCode(0);
    meter.SetReadings(999, -150, 2400);
    seeds << meter.LiveReply();
    meter.SetUnitCode(2);
    meter.SetReadings(0, 6000, -4000); // beyond the ranges: OL and -OL
    seeds << meter.LiveReply();
    meter.InjectFault(TSimFault::DisplayUnset, 1);
    seeds << meter.Answer(reinterpret_cast<const uint8_t *>("\x02" "A\0\0\0\1\x03"), 7).bytes;
    return seeds;
}

QVector<QByteArray> IdentitySeeds()
{
    return {TSimMeter().IdentityReply()};
}

QVector<QByteArray> PageSeeds()
{
    TSimMeter meter;
    return {meter.PageReply(1), meter.PageReply(2), meter.PageReply(TSimMeter::PageCount)};
}

// Three graphs as the program makes them: an empty one, a real-time
// recording with annotations, and a data-logger graph with range markers.
QVector<QByteArray> GraphBlockSeeds()
{
    QVector<QByteArray> seeds;
    PESGraph empty;
    InitGraphDefaults(&empty);
    seeds << empty.SaveGraphBlock();

    const double start = DateTimeUtil::ToDays(QDateTime(QDate(2026, 12, 8), QTime(9, 15, 0)));
    PESGraph recording;
    InitGraphDefaults(&recording);
    SetUpGraph(&recording, 5, 100.0f, -20.0f, start + 1.0 / 24, start, 30);
    for (int p = 0; p < 30; ++p)
        for (int s = 0; s < 5; ++s) {
            recording.setXDataII(s, p, start + p * 2.0 / 86400.0);
            recording.setYData(s, p, float(20 + s * 5 + (p % 7) * 0.3));
        }
    recording.setGraphAnnotationX(0, start + 10 * 2.0 / 86400.0);
    recording.setGraphAnnotationY(0, 25.0);
    recording.setGraphAnnotationText(0, QStringLiteral("Ouverture de la porte"));
    seeds << recording.SaveGraphBlock();

    PESGraph logger;
    InitGraphDefaults(&logger);
    SetUpGraph(&logger, 3, 60.0f, 0.0f, start + 0.5, start, 12);
    const float values[] = {45.5f, 9000.0f, -9000.0f, 9999.0f};
    for (int p = 0; p < 12; ++p)
        for (int s = 0; s < 3; ++s) {
            logger.setXDataII(s, p, start + p / 24.0);
            logger.setYData(s, p, values[(p + s) % 4]);
        }
    seeds << logger.SaveGraphBlock();
    return seeds;
}

// The same graphs as graph files, written by the file writer.
QVector<QByteArray> GraphFileSeeds()
{
    QVector<QByteArray> seeds;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("seed.ghf"));
    for (const QByteArray &block : GraphBlockSeeds()) {
        QFile file(path);
        if (WriteGraphFileBlock(path, block) && file.open(QIODevice::ReadOnly))
            seeds << file.readAll();
    }
    return seeds;
}

// The program's own tables, as they are compiled in.
QVector<QByteArray> LanguageTableSeeds()
{
    QVector<QByteArray> seeds;
    for (const char *form : {"frmAbout", "frmScope", "frmGraph", "frmMain"}) {
        QFile file(QStringLiteral(":/lang/%1.lang").arg(QLatin1String(form)));
        if (file.open(QIODevice::ReadOnly))
            seeds << file.readAll();
    }
    return seeds;
}

// ---- logger memory image -------------------------------------------------------

// A downloaded or opened image decoded into data sets and listed, as after a
// download; a fixed "now" keeps the fallbacks of bad date bytes repeatable.
bool FuzzMemoryImage(const uint8_t *data, size_t size)
{
    TLoggerStore store;
    const QDateTime now(QDate(2026, 1, 1), QTime(12, 0));
    const bool accepted = DecodeDataSets(Bytes(data, size), store, now) == 0;
    if (accepted) {
        QTableWidget grid(1, 11);
        FillDataSetList(&grid, store);
    }
    return accepted;
}

// Images of the simulated meter's memory, cut at their last used address as
// a download leaves them.
QVector<QByteArray> MemoryImageSeeds()
{
    QVector<QByteArray> seeds;
    for (const auto &fill : {std::pair<int, int>{0, 0}, {3300, 1}, {4000, 3}, {6000, 8}}) {
        TSimMeter meter;
        if (fill.second == 0)
            meter.LoadDemoDataSets();
        else
            meter.FillMemory(fill.first, fill.second);
        seeds << meter.Memory().left(meter.EndAddress() + 1);
    }
    return seeds;
}

// ---- text table import -------------------------------------------------------

// A text file opened as a table window: the first byte chooses the
// separator (even: tab, odd: comma), the rest is the file.
bool FuzzTextImport(const uint8_t *data, size_t size)
{
    if (size == 0)
        return false;
    const QChar separator = data[0] % 2 ? QLatin1Char(',') : QLatin1Char('\t');
    QByteArray file = Bytes(data + 1, size - 1);
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    TfrmList list;
    return ImportTextIntoList(&list, buffer, separator) > 0;
}

// Graph exports as the export writes them, with tabs and with commas.
QVector<QByteArray> TextImportSeeds()
{
    QVector<QByteArray> seeds;
    const double start = DateTimeUtil::ToDays(QDateTime(QDate(2025, 6, 14), QTime(13, 45, 30)));
    const float values[][5] = {{45.5f, 21.3f, 250.0f, 14.9f, 9.6f},
                               {9000.0f, -9000.0f, 9999.0f, 0.0f, -12.5f},
                               {102.5f, 65.1f, 2600.0f, 30.0f, 20.0f}};
    for (const char separator : {'\t', ','}) {
        TextFormat::TGraphLineWriter writer{QLatin1Char(separator)};
        QString text;
        for (int p = 0; p < 3; ++p)
            text += writer.Line(start + p * 2.0 / 86400.0, values[p], 5);
        seeds << QByteArray(1, separator == ',' ? 1 : 0) + text.toUtf8();
    }
    return seeds;
}

} // namespace

const QVector<TFuzzTarget> &FuzzTargets()
{
    static const QVector<TFuzzTarget> targets{
        {"live", FuzzLiveReply, LiveSeeds},
        {"identity", FuzzIdentityReply, IdentitySeeds},
        {"page", FuzzPageReply, PageSeeds},
        {"graphblock", FuzzGraphBlock, GraphBlockSeeds},
        {"graphfile", FuzzGraphFile, GraphFileSeeds},
        {"langtable", FuzzLanguageTable, LanguageTableSeeds},
        {"memoryimage", FuzzMemoryImage, MemoryImageSeeds},
        {"textimport", FuzzTextImport, TextImportSeeds},
    };
    return targets;
}

const TFuzzTarget *FindFuzzTarget(const QString &name)
{
    for (const TFuzzTarget &t : FuzzTargets())
        if (name == QLatin1String(t.name))
            return &t;
    return nullptr;
}

void PrepareFuzzEnvironment(int &argc, char **argv)
{
    static QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!QCoreApplication::instance())
        new QApplication(argc, argv); // lives as long as the process
    QStandardPaths::setTestModeEnabled(true);
}
