#pragma once
// The archive: every download and every collection added, kept in one SQLite
// database (archive.sqlite in the program's data folder) beside the
// collection files, never instead of them. One row per data set holding its
// header and records exactly as they lie in the logger memory, so the data
// set decoder, the collection file and the text export read them as they
// read a download; a data set already archived is recognised and not stored
// twice, one that has grown since replaces the shorter one.
//
// Plain code over the sqlite3 library, shared by the windows, qm738-cli and
// the tests. Failures are values (false and a message), never exceptions.
// docs/architecture.md gives the schema.

#include "core/logger/datasets.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <limits>

struct sqlite3;
struct sqlite3_stmt;
class QIODevice;

namespace ArchiveSchema {
constexpr int Version = 1;                   // PRAGMA user_version of a current archive
constexpr int ApplicationId = 0x514D3738;    // PRAGMA application_id: "QM78"
constexpr int BusyTimeoutMs = 60000;         // how long a writer waits for another one
} // namespace ArchiveSchema

// Where a download came from, as far as the link tells.
struct TArchiveSource {
    QString link;   // "usb", "serial" or "file"
    QString port;   // the serial port, or the collection file's path
    QString meter;  // the meter's identity as the link gave it (may be empty)
};

// What one import did.
struct TArchiveImport {
    qint64 downloadId = 0;
    int found = 0;        // data sets in the memory image
    int added = 0;        // new to the archive
    int grown = 0;        // replaced a shorter copy of themselves
    int already = 0;      // already there
    QStringList skipped;  // one line per data set that could not be decoded
};

// One archived data set as the list shows it (no records).
struct TArchiveSet {
    qint64 id = 0;
    TDataSet set;          // start, interval, unit, type, offsets, record count
    double endTime = 0.0;  // time of the last record (days)
    qint64 downloadId = 0; // the download that first brought it
    double downloadTime = 0.0;
    QString link;
    QString meter;
    QString note;
};

// Which sets the list shows: those with records in [from, to] (days, NaN for
// no bound), of one unit (-1: any) and whose note holds every word (any case).
struct TArchiveFilter {
    double from = std::numeric_limits<double>::quiet_NaN();
    double to = std::numeric_limits<double>::quiet_NaN();
    int unitCode = -1;
    QString words;
    bool Matches(const TArchiveSet &set) const;
};

class TArchive {
public:
    TArchive();
    ~TArchive();
    TArchive(const TArchive &) = delete;
    TArchive &operator=(const TArchive &) = delete;

    // archive.sqlite in the application data folder.
    static QString DefaultPath();
    // The archive to use: `option` (--archive FILE) when given, else
    // QM738_ARCHIVE, else the setting "ArchivePath", else DefaultPath().
    static QString ResolvePath(const QString &option = QString());

    // Opens or creates the archive (its folder too), WAL journal, the schema
    // brought up to date. A file that is not a QM738 archive (another kind of
    // file, another program's database, a damaged file, one of a newer
    // version) is refused with the reason and never written.
    bool Open(const QString &path, QString *error = nullptr);
    bool IsOpen() const { return Db != nullptr; }
    void Close();
    QString Path() const { return FilePath; }
    int SchemaVersion() const;

    // Archives the data sets of a memory image (a download or a collection
    // file) in one transaction: all of it or, after a failure, nothing.
    // Sets that cannot be decoded are skipped and named in the report.
    bool Import(const QByteArray &image, const TArchiveSource &source, TArchiveImport *report,
                QString *error = nullptr);

    // The sets the filter lets through, newest first.
    bool List(const TArchiveFilter &filter, QVector<TArchiveSet> *sets, QString *error = nullptr) const;
    bool SetNote(qint64 id, const QString &note, QString *error = nullptr);
    int SetCount() const;
    bool HasSet(qint64 id) const;

    // The sets `ids` as one memory image (in time order), which the data set
    // decoder reads and which is a valid collection file.
    bool ImageOf(const QVector<qint64> &ids, QByteArray *image, QString *error = nullptr) const;

    // The lines the data-logger export writes (TXT or CSV by the separator):
    // the records of the sets `ids` (every set when empty) whose time lies in
    // [from, to], one set after another in time order. Written to `out`;
    // `lines` gets their number.
    bool Export(const QVector<qint64> &ids, double from, double to, QChar separator, QIODevice &out,
                qint64 *lines = nullptr, QString *error = nullptr) const;

    // PRAGMA integrity_check: "ok" or what it found.
    QString IntegrityCheck() const;

private:
    bool Exec(const char *sql, QString *error) const;
    QString LastError() const;
    bool OpenOnce(const QString &path, QString *error, bool *busy);
    bool CheckForeign(QString *error);
    bool Migrate(QString *error);

    sqlite3 *Db = nullptr;
    QString FilePath;
};
