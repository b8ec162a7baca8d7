// qm738-cli archive list|import|export|note: the archive of every download
// (core/archive/) from a terminal.

#include "cli/commands.h"
#include "cli/session.h"

#include "core/archive/archive.h"
#include "core/base/datetime.h"
#include "core/files/collectionfile.h"
#include "core/files/textformat.h"
#include "core/logger/datasetlist.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>
#include <cstdio>

const QCommandLineOption ArchiveOption(QStringLiteral("archive"),
                                       QStringLiteral("The archive to use (default: QM738_ARCHIVE, else the "
                                                      "program's archive.sqlite)."),
                                       QStringLiteral("FILE"));

int OpenArchive(const char *command, const QCommandLineParser &parser, TArchive &archive)
{
    const QString path = TArchive::ResolvePath(parser.isSet(ArchiveOption) ? parser.value(ArchiveOption) : QString());
    QString error;
    if (archive.Open(path, &error))
        return CliExit::Ok;
    Fail(command, QStringLiteral("cannot use the archive %1: %2").arg(path, error));
    return CliExit::File;
}

QString ImportSummary(const TArchiveImport &report)
{
    return QStringLiteral("%1 sets found, %2 new, %3 grown, %4 already there")
        .arg(report.found)
        .arg(report.added)
        .arg(report.grown)
        .arg(report.already);
}

bool ApplyLocaleOption(const char *command, const QString &name)
{
    const QLocale locale(name);
    if (locale.language() == QLocale::C && name != QLatin1String("C") && name != QLatin1String("POSIX")) {
        Fail(command, QStringLiteral("unknown locale \"%1\"").arg(name));
        return false;
    }
    QLocale::setDefault(locale);
    return true;
}

namespace {

// An ISO 8601 date or date-time as a day count: "from" takes its first
// moment, "to" its last (the whole day, minute or second it names).
bool ArchiveDate(const char *command, const char *option, const QString &text, bool end, double *days)
{
    static const struct {
        const char *format;
        qint64 lengthMs;
    } forms[] = {{"yyyy-MM-dd", 86400000},          {"yyyy-MM-ddTHH:mm", 60000},  {"yyyy-MM-dd HH:mm", 60000},
                 {"yyyy-MM-ddTHH:mm:ss", 1000},      {"yyyy-MM-dd HH:mm:ss", 1000}};
    for (const auto &form : forms) {
        QDateTime dt = QDateTime::fromString(text, QLatin1String(form.format));
        if (!dt.isValid())
            continue;
        if (end)
            dt = dt.addMSecs(form.lengthMs - 1);
        *days = DateTimeUtil::ToDays(dt);
        return true;
    }
    Fail(command, QStringLiteral("--%1 wants an ISO 8601 date, 2025-03-04 or 2025-03-04T05:06, not \"%2\"")
                      .arg(QLatin1String(option), text));
    return false;
}

const char *const kUnitNames[] = {"F", "C", "K"};

// The thermocouple letter as the data-set list shows it (K for an unknown type).
char CoupleLetter(int type) { return "KJETNRS"[type >= 0 && type < 7 ? type : 0]; }

// A day count as "yyyy-MM-ddTHH:mm:ss", without a QDateTime (and its time zone) per row.
QString IsoText(double days)
{
    QDate date;
    QTime time;
    DateTimeUtil::SplitDays(days, &date, &time);
    return date.toString(Qt::ISODate) + QLatin1Char('T') + time.toString(Qt::ISODate);
}

int ArchiveList(const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption fromOpt(QStringLiteral("from"), QStringLiteral("Sets with records from DATE on."),
                                     QStringLiteral("DATE"));
    const QCommandLineOption toOpt(QStringLiteral("to"), QStringLiteral("Sets with records up to DATE."),
                                   QStringLiteral("DATE"));
    const QCommandLineOption unitOpt(QStringLiteral("unit"), QStringLiteral("Sets in this unit: C, F or K."),
                                     QStringLiteral("C|F|K"));
    const QCommandLineOption noteOpt(QStringLiteral("note"),
                                     QStringLiteral("Sets whose note holds every one of these words."),
                                     QStringLiteral("WORDS"));
    const QCommandLineOption formatOpt({QStringLiteral("f"), QStringLiteral("format")},
                                       QStringLiteral("txt (a table) or json; default txt."),
                                       QStringLiteral("txt|json"), QStringLiteral("txt"));
    parser.addOptions({ArchiveOption, fromOpt, toOpt, unitOpt, noteOpt, formatOpt});
    const int parsed = Parse(parser, "archive list",
                             QStringLiteral("qm738-cli archive list [--from DATE] [--to DATE] [--unit C|F|K] "
                                            "[--note WORDS] [--format txt|json] [--archive FILE]\nThe archived data "
                                            "sets, newest first: id, date, time, rate, records, unit, "
                                            "thermocouple, meter and note. DATE is ISO 8601 (2025-03-04 or "
                                            "2025-03-04T05:06)."),
                             args);
    if (parsed >= 0)
        return parsed;
    const QString format = parser.value(formatOpt).toLower();
    if (!parser.positionalArguments().isEmpty()
        || (format != QLatin1String("txt") && format != QLatin1String("json"))) {
        Fail("archive list", QStringLiteral("no arguments are taken, and --format is txt or json"));
        return CliExit::Usage;
    }
    TArchiveFilter filter;
    if ((parser.isSet(fromOpt) && !ArchiveDate("archive list", "from", parser.value(fromOpt), false, &filter.from))
        || (parser.isSet(toOpt) && !ArchiveDate("archive list", "to", parser.value(toOpt), true, &filter.to)))
        return CliExit::Usage;
    if (parser.isSet(unitOpt)) {
        const QString unit = parser.value(unitOpt).toUpper();
        for (int u = 0; u < 3; ++u)
            if (unit == QLatin1String(kUnitNames[u]))
                filter.unitCode = u;
        if (filter.unitCode < 0) {
            Fail("archive list", QStringLiteral("--unit is C, F or K"));
            return CliExit::Usage;
        }
    }
    filter.words = parser.value(noteOpt);

    TArchive archive;
    const int opened = OpenArchive("archive list", parser, archive);
    if (opened != CliExit::Ok)
        return opened;
    QVector<TArchiveSet> sets;
    QString error;
    if (!archive.List(filter, &sets, &error)) {
        Fail("archive list", error);
        return CliExit::File;
    }
    if (format == QLatin1String("json")) {
        QJsonArray array;
        for (const TArchiveSet &s : std::as_const(sets)) {
            QJsonObject o;
            o.insert(QStringLiteral("id"), s.id);
            o.insert(QStringLiteral("start"), IsoText(s.set.startTime));
            o.insert(QStringLiteral("end"), IsoText(s.endTime));
            o.insert(QStringLiteral("intervalSeconds"), s.set.intervalSeconds);
            o.insert(QStringLiteral("count"), s.set.recordCount);
            o.insert(QStringLiteral("unit"), QLatin1String(s.set.unitCode < 3 ? kUnitNames[s.set.unitCode] : "?"));
            o.insert(QStringLiteral("couple"), QString(QLatin1Char(CoupleLetter(s.set.coupleType))));
            o.insert(QStringLiteral("rhOffset"), DataSetOffsetText(s.set.rhOffset, s.set.unitCode, false));
            o.insert(QStringLiteral("t1Offset"), DataSetOffsetText(s.set.t1Offset, s.set.unitCode, true));
            o.insert(QStringLiteral("t2Offset"), DataSetOffsetText(s.set.t2Offset, s.set.unitCode, true));
            o.insert(QStringLiteral("download"), s.downloadId);
            o.insert(QStringLiteral("downloaded"), IsoText(s.downloadTime));
            o.insert(QStringLiteral("link"), s.link);
            o.insert(QStringLiteral("meter"), s.meter);
            o.insert(QStringLiteral("note"), s.note);
            array.append(o);
        }
        std::fputs(QJsonDocument(array).toJson(QJsonDocument::Indented).constData(), stdout);
        return FlushOutput("archive list");
    }
    // Plain appends: 10,000 sets are listed in a few milliseconds.
    QByteArray out = "ID\tDATE\tTIME\tRate\tNums\tUnit\tCouple\tMeter\tNote\n";
    out.reserve(sets.size() * 80);
    for (const TArchiveSet &s : std::as_const(sets)) {
        QString note = s.note;
        note.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\t'), QLatin1Char(' '));
        const QString iso = IsoText(s.set.startTime);
        out += QByteArray::number(s.id);
        out += '\t';
        out += iso.left(10).toLatin1();
        out += '\t';
        out += iso.mid(11).toLatin1();
        out += '\t';
        out += DataSetRateText(s.set.intervalSeconds).toLatin1();
        out += '\t';
        out += QByteArray::number(s.set.recordCount);
        out += '\t';
        out += s.set.unitCode < 3 ? kUnitNames[s.set.unitCode] : "?";
        out += '\t';
        out += CoupleLetter(s.set.coupleType);
        out += '\t';
        out += (s.meter.isEmpty() ? s.link : s.meter).toUtf8();
        out += '\t';
        out += note.toUtf8();
        out += '\n';
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return FlushOutput("archive list");
}

int ArchiveImport(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addOption(ArchiveOption);
    parser.addPositionalArgument(QStringLiteral("FILE.738"), QStringLiteral("Collection files to add."),
                                 QStringLiteral("FILE.738..."));
    const int parsed = Parse(parser, "archive import",
                             QStringLiteral("qm738-cli archive import FILE.738... [--archive FILE]\nAdds the data "
                                            "sets of collection files to the archive, each file in one "
                                            "transaction; a set already there is not stored again, a grown one "
                                            "replaces the shorter copy. Prints per file the sets found, new, "
                                            "grown and already there."),
                             args);
    if (parsed >= 0)
        return parsed;
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        Fail("archive import", QStringLiteral("one or more FILE.738 are needed"));
        return CliExit::Usage;
    }
    TArchive archive;
    const int opened = OpenArchive("archive import", parser, archive);
    if (opened != CliExit::Ok)
        return opened;
    int result = CliExit::Ok;
    for (const QString &path : files) {
        if (CliStopRequested)
            return CliExit::Interrupted;
        QByteArray image;
        QString error;
        TArchiveImport report;
        if (!ReadCollectionFile(path, &image, &error)
            || !archive.Import(image, {QStringLiteral("file"), QFileInfo(path).absoluteFilePath(), QString()},
                               &report, &error)) {
            Fail("archive import", QStringLiteral("%1: %2").arg(path, error));
            result = CliExit::File;
            continue;
        }
        std::printf("%s: %s\n", qPrintable(path), qPrintable(ImportSummary(report)));
        for (const QString &skipped : std::as_const(report.skipped))
            Fail("archive import", QStringLiteral("%1: skipped: %2").arg(path, skipped));
        if (FlushOutput("archive import") != CliExit::Ok)
            return CliExit::File;
    }
    return result;
}

int ArchiveExport(const QStringList &args)
{
    QCommandLineParser parser;
    const QCommandLineOption setOpt({QStringLiteral("s"), QStringLiteral("set")},
                                    QStringLiteral("An archived set by its id (as archive list shows it); repeat "
                                                   "for more. Default: every set."),
                                    QStringLiteral("ID"));
    const QCommandLineOption fromOpt(QStringLiteral("from"), QStringLiteral("Records from DATE on."),
                                     QStringLiteral("DATE"));
    const QCommandLineOption toOpt(QStringLiteral("to"), QStringLiteral("Records up to DATE."), QStringLiteral("DATE"));
    const QCommandLineOption outOpt({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The file to write, whole or not at all (default: standard "
                                                   "output)."),
                                    QStringLiteral("FILE"));
    parser.addOptions({ArchiveOption, setOpt, fromOpt, toOpt, ExportFormatOption, outOpt, LocaleOption});
    const int parsed = Parse(parser, "archive export",
                             QStringLiteral("qm738-cli archive export [--set ID...] [--from DATE] [--to DATE] "
                                            "[--format txt|csv] [--locale NAME] [-o FILE] [--archive FILE]\nThe "
                                            "records of the chosen sets or of a date range as the program's "
                                            "data-logger export writes them: one file, the sets one after another "
                                            "in time order. DATE is ISO 8601 (2025-03-04 or 2025-03-04T05:06)."),
                             args);
    if (parsed >= 0)
        return parsed;
    if (!parser.positionalArguments().isEmpty()) {
        Fail("archive export", QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
        return CliExit::Usage;
    }
    if (parser.isSet(LocaleOption) && !ApplyLocaleOption("archive export", parser.value(LocaleOption)))
        return CliExit::Usage;
    const QString out = parser.value(outOpt);
    QString format = parser.value(ExportFormatOption).toLower();
    if (format.isEmpty())
        format = out.isEmpty() ? QStringLiteral("txt") : QFileInfo(out).suffix().toLower();
    if (format != QLatin1String("txt") && format != QLatin1String("csv")) {
        Fail("archive export", QStringLiteral("--format is txt or csv"));
        return CliExit::Usage;
    }
    const QChar separator = TextFormat::GraphSeparatorFor(QStringLiteral("x.") + format);
    double from = std::nan(""), to = std::nan("");
    if ((parser.isSet(fromOpt) && !ArchiveDate("archive export", "from", parser.value(fromOpt), false, &from))
        || (parser.isSet(toOpt) && !ArchiveDate("archive export", "to", parser.value(toOpt), true, &to)))
        return CliExit::Usage;
    QVector<qint64> ids;
    for (const QString &text : parser.values(setOpt)) {
        bool ok = false;
        const qint64 id = text.toLongLong(&ok);
        if (!ok || id < 1) {
            Fail("archive export", QStringLiteral("--set wants a set id from archive list, not \"%1\"").arg(text));
            return CliExit::Usage;
        }
        ids.append(id);
    }

    TArchive archive;
    const int opened = OpenArchive("archive export", parser, archive);
    if (opened != CliExit::Ok)
        return opened;
    for (qint64 id : std::as_const(ids))
        if (!archive.HasSet(id)) {
            Fail("archive export", QStringLiteral("there is no data set %1 in the archive").arg(id));
            return CliExit::Usage;
        }
    QString error;
    if (out.isEmpty()) {
        QFile stdoutFile;
        stdoutFile.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
        if (!archive.Export(ids, from, to, separator, stdoutFile, nullptr, &error)) {
            Fail("archive export", error);
            return CliExit::File;
        }
        stdoutFile.close();
        return FlushOutput("archive export");
    }
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly)) {
        Fail("archive export", QStringLiteral("cannot write %1: %2").arg(out, file.errorString()));
        return CliExit::File;
    }
    if (!archive.Export(ids, from, to, separator, file, nullptr, &error)) {
        file.cancelWriting();
        Fail("archive export", error);
        return CliExit::File;
    }
    if (!file.commit()) {
        Fail("archive export", QStringLiteral("cannot write %1: %2").arg(out, file.errorString()));
        return CliExit::File;
    }
    return CliExit::Ok;
}

int ArchiveNote(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addOption(ArchiveOption);
    parser.addPositionalArgument(QStringLiteral("ID"), QStringLiteral("The set's id (as archive list shows it)."));
    parser.addPositionalArgument(QStringLiteral("TEXT"), QStringLiteral("The note; an empty text removes it."));
    const int parsed = Parse(parser, "archive note",
                             QStringLiteral("qm738-cli archive note ID TEXT [--archive FILE]\nSets the note of an "
                                            "archived data set."),
                             args);
    if (parsed >= 0)
        return parsed;
    const QStringList words = parser.positionalArguments();
    bool ok = false;
    const qint64 id = words.value(0).toLongLong(&ok);
    if (words.size() != 2 || !ok) {
        Fail("archive note", QStringLiteral("a set id and one TEXT are needed (quote a note of several words)"));
        return CliExit::Usage;
    }
    TArchive archive;
    const int opened = OpenArchive("archive note", parser, archive);
    if (opened != CliExit::Ok)
        return opened;
    if (!archive.HasSet(id)) {
        Fail("archive note", QStringLiteral("there is no data set %1 in the archive").arg(id));
        return CliExit::Usage;
    }
    QString error;
    if (!archive.SetNote(id, words.at(1), &error)) {
        Fail("archive note", error);
        return CliExit::File;
    }
    return CliExit::Ok;
}

} // namespace

int RunArchive(const QStringList &args)
{
    const QString sub = args.value(0);
    const QStringList rest = args.mid(1);
    if (sub == QLatin1String("list"))
        return ArchiveList(rest);
    if (sub == QLatin1String("import"))
        return ArchiveImport(rest);
    if (sub == QLatin1String("export"))
        return ArchiveExport(rest);
    if (sub == QLatin1String("note"))
        return ArchiveNote(rest);
    if (sub == QLatin1String("--help") || sub == QLatin1String("-h")) {
        std::fputs("Usage: qm738-cli archive list|import|export|note [options]\n"
                   "The archive of every download (archive.sqlite in the program's data folder, or --archive "
                   "FILE, or QM738_ARCHIVE).\n"
                   "  list    the archived data sets, newest first\n"
                   "  import  adds collection files (FILE.738...)\n"
                   "  export  chosen sets or a date range as TXT or CSV lines\n"
                   "  note    sets the note of a data set\n"
                   "qm738-cli archive SUBCOMMAND --help shows its options.\n",
                   stdout);
        return CliExit::Ok;
    }
    Fail("archive", sub.isEmpty() ? QStringLiteral("a subcommand is needed: list, import, export or note")
                                  : QStringLiteral("unknown subcommand \"%1\"; it is list, import, export or note")
                                        .arg(sub));
    return CliExit::Usage;
}
