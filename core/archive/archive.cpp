#include "core/archive/archive.h"

#include "core/base/bytes.h"
#include "core/base/datetime.h"
#include "core/base/translation.h"
#include "core/files/textformat.h"
#include "core/logger/datasetdecoder.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QTime>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The schema, one step per version: step v brings an archive of version v - 1
// to version v. A new version appends a step and never edits an old one.
// SQL is written in raw strings over several lines: statements, not texts
// for the user (the translation test reads one-line literals only).
const char *const kMigrations[] = {
    // 1: downloads, data sets (their memory bytes last in the row, so the list
    // never reads them), and which sets each download brought.
    R"sql(
    CREATE TABLE download (
      id INTEGER PRIMARY KEY,
      time REAL NOT NULL,             -- when it was archived: days since 1899-12-30, local time
      link TEXT NOT NULL,             -- usb, serial or file
      port TEXT NOT NULL,             -- the serial port, or the collection file
      meter TEXT NOT NULL,            -- the meter's identity as the link gave it
      image_size INTEGER NOT NULL,    -- bytes of the memory image
      sets_found INTEGER NOT NULL,
      sets_new INTEGER NOT NULL,
      sets_grown INTEGER NOT NULL);
    CREATE TABLE dataset (
      id INTEGER PRIMARY KEY,
      setkey BLOB NOT NULL,           -- header bytes 3-11 and 14-16: start, interval, unit and type, offsets
      start_time REAL NOT NULL,       -- days since 1899-12-30, local time
      end_time REAL NOT NULL,         -- time of the last record
      interval INTEGER NOT NULL,      -- seconds
      unit INTEGER NOT NULL,          -- 0 degF, 1 degC, 2 K
      couple INTEGER NOT NULL,        -- 0..6 = K J E T N R S
      rh_offset INTEGER NOT NULL,     -- the header bytes as stored (0..255)
      t1_offset INTEGER NOT NULL,
      t2_offset INTEGER NOT NULL,
      record_count INTEGER NOT NULL,
      first_download INTEGER NOT NULL REFERENCES download(id),
      last_download INTEGER NOT NULL REFERENCES download(id),
      note TEXT NOT NULL DEFAULT '',
      header BLOB NOT NULL,           -- the 18 header bytes as in the memory
      records BLOB NOT NULL);         -- the 8-byte records as in the memory
    CREATE INDEX dataset_setkey ON dataset(setkey);
    CREATE INDEX dataset_start ON dataset(start_time);
    CREATE TABLE download_set (
      download INTEGER NOT NULL REFERENCES download(id),
      dataset INTEGER NOT NULL REFERENCES dataset(id),
      position INTEGER NOT NULL,      -- the set's number in that download, from 0
      PRIMARY KEY (download, dataset)) WITHOUT ROWID;
    )sql",
};
constexpr int kMigrationCount = int(sizeof(kMigrations) / sizeof(kMigrations[0]));
static_assert(kMigrationCount == ArchiveSchema::Version); // one migration step per schema version

// A prepared statement, finalized when it goes out of scope.
class TStatement {
public:
    TStatement(sqlite3 *db, const char *sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &Stmt, nullptr) != SQLITE_OK)
            Stmt = nullptr;
    }
    ~TStatement() { sqlite3_finalize(Stmt); }
    TStatement(const TStatement &) = delete;
    TStatement &operator=(const TStatement &) = delete;

    bool Ok() const { return Stmt != nullptr; }
    sqlite3_stmt *operator*() const { return Stmt; }
    void Bind(int i, qint64 v) { sqlite3_bind_int64(Stmt, i, v); }
    void Bind(int i, double v) { sqlite3_bind_double(Stmt, i, v); }
    void Bind(int i, const QString &v)
    {
        const QByteArray utf8 = v.toUtf8();
        sqlite3_bind_text(Stmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void BindBlob(int i, const char *data, qsizetype size)
    {
        sqlite3_bind_blob(Stmt, i, data, int(size), SQLITE_STATIC);
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return sqlite3_step(Stmt); }
    void Reset()
    {
        sqlite3_reset(Stmt);
        sqlite3_clear_bindings(Stmt);
    }
    qint64 Int(int c) const { return sqlite3_column_int64(Stmt, c); }
    double Real(int c) const { return sqlite3_column_double(Stmt, c); }
    QString Text(int c) const
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(Stmt, c)),
                                 sqlite3_column_bytes(Stmt, c));
    }
    // The blob without a copy: valid until the next step.
    QByteArray Blob(int c) const
    {
        const void *data = sqlite3_column_blob(Stmt, c);
        return QByteArray::fromRawData(static_cast<const char *>(data), sqlite3_column_bytes(Stmt, c));
    }

private:
    sqlite3_stmt *Stmt = nullptr;
};

// Rolls back an open transaction unless it was committed.
class TTransaction {
public:
    explicit TTransaction(sqlite3 *db) : Db(db) {}
    ~TTransaction()
    {
        if (Open)
            sqlite3_exec(Db, R"sql(
        ROLLBACK)sql", nullptr, nullptr, nullptr);
    }
    bool Begin() { return Open = sqlite3_exec(Db, R"sql(
        BEGIN IMMEDIATE)sql", nullptr, nullptr, nullptr) == SQLITE_OK; }
    bool Commit()
    {
        if (sqlite3_exec(Db, R"sql(
        COMMIT)sql", nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
        Open = false;
        return true;
    }

private:
    sqlite3 *Db;
    bool Open = false;
};

constexpr double kHalfMs = 0.5 / 86400000.0; // in days

const QByteArray kSqliteMagic("SQLite format 3\0", 16);

// The key of a data set: what makes two sets the same recording run apart
// from its records (header bytes 3-11 and 14-16).
QByteArray SetKeyOf(const char *header)
{
    QByteArray key(header + 3, 9);
    key.append(header + 14, 3);
    return key;
}

// Whether the start time bytes are a real date and time (the decoder would
// otherwise put the computer's clock in their place).
bool StartTimeReadable(const uint8_t *h)
{
    int f[6];
    for (int i = 0; i < 6; ++i)
        if (!DecodeBcdByte(h[3 + i], f[i]))
            return false;
    return QDate(2000 + f[0], f[1], f[2]).isValid() && QTime(f[3], f[4], f[5]).isValid();
}

double EndTimeOf(const TDataSet &set)
{
    return set.startTime + std::max(0, set.recordCount - 1) * (set.intervalSeconds / 86400.0);
}

QString Message(const char *english) { return AddedText(english); }

} // namespace

// ---- the filter ------------------------------------------------------------------

bool TArchiveFilter::Matches(const TArchiveSet &s) const
{
    if (!std::isnan(from) && s.endTime < from - kHalfMs)
        return false;
    if (!std::isnan(to) && s.set.startTime > to + kHalfMs)
        return false;
    if (unitCode >= 0 && s.set.unitCode != unitCode)
        return false;
    const QStringList list = words.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &word : list)
        if (!s.note.contains(word, Qt::CaseInsensitive))
            return false;
    return true;
}

// ---- opening -----------------------------------------------------------------------

TArchive::TArchive() = default;
TArchive::~TArchive() { Close(); }

QString TArchive::DefaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/archive.sqlite");
}

QString TArchive::ResolvePath(const QString &option)
{
    if (!option.isEmpty())
        return option;
    const QString env = qEnvironmentVariable("QM738_ARCHIVE");
    if (!env.isEmpty())
        return env;
    const QString setting = QSettings().value(QStringLiteral("ArchivePath")).toString();
    if (!setting.isEmpty())
        return setting;
    return DefaultPath();
}

void TArchive::Close()
{
    if (Db)
        sqlite3_close_v2(Db);
    Db = nullptr;
}

QString TArchive::LastError() const
{
    return Db ? QString::fromUtf8(sqlite3_errmsg(Db)) : QString();
}

bool TArchive::Exec(const char *sql, QString *error) const
{
    char *message = nullptr;
    if (sqlite3_exec(Db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    if (error)
        *error = QString::fromUtf8(message ? message : sqlite3_errmsg(Db));
    sqlite3_free(message);
    return false;
}

bool TArchive::Open(const QString &path, QString *error)
{
    // Two programs making or opening the same archive at once can meet in a
    // lock that SQLite refuses at once instead of waiting for (a change of
    // journal mode against a starting writer): the whole opening is tried
    // again, for as long as a busy statement would wait.
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        bool busy = false;
        if (OpenOnce(path, error, &busy))
            return true;
        if (!busy || clock.elapsed() > ArchiveSchema::BusyTimeoutMs)
            return false;
        QThread::msleep(10 + QRandomGenerator::global()->bounded(40));
    }
}

bool TArchive::OpenOnce(const QString &path, QString *error, bool *busy)
{
    Close();
    QString reason;
    const QFileInfo info(path);
    const bool exists = info.exists();
    if (exists && !info.isFile()) {
        reason = Message("It is not a file.");
    } else if (exists && info.size() > 0) {
        // Only an SQLite database is opened at all: anything else is not
        // looked at further and never written.
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            reason = file.errorString();
        else if (file.read(16) != kSqliteMagic)
            reason = Message("It is not a QM738 archive (not an SQLite database); it was left as it was.");
    } else if (!exists && !QDir().mkpath(info.absolutePath())) {
        reason = Message("Its folder cannot be created.");
    }
    if (reason.isEmpty()) {
        const int flags = SQLITE_OPEN_READWRITE | (exists ? 0 : SQLITE_OPEN_CREATE);
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &Db, flags, nullptr) != SQLITE_OK) {
            reason = LastError();
            Close();
        }
    }
    if (reason.isEmpty()) {
        FilePath = path;
        sqlite3_busy_timeout(Db, ArchiveSchema::BusyTimeoutMs);
        sqlite3_extended_result_codes(Db, 1);
        if (!CheckForeign(&reason) || !Exec(R"sql(
        PRAGMA journal_mode=WAL)sql", &reason)
            || !Exec(R"sql(
        PRAGMA synchronous=FULL)sql", &reason) || !Exec(R"sql(
        PRAGMA foreign_keys=ON)sql", &reason)
            || !Migrate(&reason)) {
            *busy = (sqlite3_errcode(Db) & 0xff) == SQLITE_BUSY;
            Close();
        }
    }
    if (!reason.isEmpty() && error)
        *error = reason;
    return reason.isEmpty();
}

// Reads the archive's marks before anything is written: another program's
// database, a damaged file or one of a newer version is refused.
bool TArchive::CheckForeign(QString *error)
{
    TStatement id(Db, R"sql(
        PRAGMA application_id)sql");
    TStatement version(Db, R"sql(
        PRAGMA user_version)sql");
    TStatement tables(Db, R"sql(
        SELECT count(*) FROM sqlite_master)sql");
    if (!id.Ok() || !version.Ok() || !tables.Ok() || id.Step() != SQLITE_ROW || version.Step() != SQLITE_ROW
        || tables.Step() != SQLITE_ROW) {
        *error = Message("It is damaged or not a QM738 archive; it was left as it was.") + QStringLiteral(" (")
            + LastError() + QLatin1Char(')');
        return false;
    }
    const qint64 application = id.Int(0);
    const qint64 schema = version.Int(0);
    const bool empty = application == 0 && schema == 0 && tables.Int(0) == 0;
    if (!empty && application != ArchiveSchema::ApplicationId) {
        *error = Message("It is another program's database, not a QM738 archive; it was left as it was.");
        return false;
    }
    if (schema > ArchiveSchema::Version) {
        *error = Message("It was made by a newer version of the program (schema %1; this one knows %2).")
                     .arg(schema)
                     .arg(ArchiveSchema::Version);
        return false;
    }
    return true;
}

int TArchive::SchemaVersion() const
{
    if (!Db)
        return 0;
    TStatement version(Db, R"sql(
        PRAGMA user_version)sql");
    return version.Ok() && version.Step() == SQLITE_ROW ? int(version.Int(0)) : 0;
}

// Brings the schema to the current version, each start in one transaction
// (a second program creating the same archive waits, then finds it done).
bool TArchive::Migrate(QString *error)
{
    if (SchemaVersion() == ArchiveSchema::Version)
        return true;
    TTransaction transaction(Db);
    if (!transaction.Begin()) {
        *error = LastError();
        return false;
    }
    const int from = SchemaVersion();
    for (int v = from + 1; v <= ArchiveSchema::Version; ++v)
        if (!Exec(kMigrations[v - 1], error))
            return false;
    const QByteArray marks = QStringLiteral(R"sql(
        PRAGMA application_id=%1; PRAGMA user_version=%2)sql")
                                 .arg(ArchiveSchema::ApplicationId)
                                 .arg(ArchiveSchema::Version)
                                 .toLatin1();
    if (!Exec(marks.constData(), error))
        return false;
    if (!transaction.Commit()) {
        *error = LastError();
        return false;
    }
    return true;
}

QString TArchive::IntegrityCheck() const
{
    if (!Db)
        return Message("The archive is not open.");
    TStatement check(Db, R"sql(
        PRAGMA integrity_check)sql");
    QStringList lines;
    while (check.Ok() && check.Step() == SQLITE_ROW)
        lines << check.Text(0);
    return lines.isEmpty() ? LastError() : lines.join(QLatin1Char('\n'));
}

// ---- import ------------------------------------------------------------------------

bool TArchive::Import(const QByteArray &image, const TArchiveSource &source, TArchiveImport *report, QString *error)
{
    TArchiveImport result;
    QString reason;
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!Db)
        return fail(Message("The archive is not open."));

    TLoggerStore store;
    const QDateTime now = QDateTime::currentDateTime();
    const int decoded = DecodeDataSets(image, store, now);
    if (decoded == DecodeTooManySets)
        return fail(Message("It is not a data set collection (it announces more than 4000 data sets)."));
    if (decoded != DecodeOk)
        return fail(Message("It holds no data set."));

    const auto *bytes = reinterpret_cast<const uint8_t *>(image.constData());
    const int announced = LinkBytes::ReadBE16(bytes + 8);
    result.found = announced;

    TTransaction transaction(Db);
    if (!transaction.Begin())
        return fail(LastError());

    TStatement addDownload(Db, R"sql(
        INSERT INTO download (time, link, port, meter, image_size, sets_found, sets_new, sets_grown) VALUES (?, ?, ?, ?, ?, ?, 0, 0))sql");
    TStatement findSets(Db, R"sql(
        SELECT id, record_count, records FROM dataset WHERE setkey = ?)sql");
    TStatement addSet(Db, R"sql(
        INSERT INTO dataset (setkey, start_time, end_time, interval, unit, couple, rh_offset, t1_offset, t2_offset, record_count, first_download, last_download, header, records) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?))sql");
    TStatement growSet(Db, R"sql(
        UPDATE dataset SET end_time = ?, record_count = ?, last_download = ?, header = ?, records = ? WHERE id = ?)sql");
    TStatement link(Db, R"sql(
        INSERT OR IGNORE INTO download_set (download, dataset, position) VALUES (?, ?, ?))sql");
    TStatement counts(Db, R"sql(
        UPDATE download SET sets_new = ?, sets_grown = ? WHERE id = ?)sql");
    if (!addDownload.Ok() || !findSets.Ok() || !addSet.Ok() || !growSet.Ok() || !link.Ok() || !counts.Ok())
        return fail(LastError());

    addDownload.Bind(1, DateTimeUtil::ToDays(now));
    addDownload.Bind(2, source.link);
    addDownload.Bind(3, source.port);
    addDownload.Bind(4, source.meter);
    addDownload.Bind(5, qint64(image.size()));
    addDownload.Bind(6, qint64(announced));
    if (addDownload.Step() != SQLITE_DONE)
        return fail(LastError());
    const qint64 downloadId = sqlite3_last_insert_rowid(Db);
    result.downloadId = downloadId;

    for (int i = 0; i < store.DataSets.size(); ++i) {
        const TDataSet &set = store.DataSets.at(i);
        const char *header = image.constData() + set.headerOffset;
        const int headerCount = LinkBytes::ReadBE16(bytes + set.headerOffset + 12);
        if (set.recordCount != headerCount) {
            result.skipped << Message("Data set %1: its records run past the end of the memory image (%2 of %3).")
                                  .arg(i + 1)
                                  .arg(set.recordCount)
                                  .arg(headerCount);
            continue;
        }
        if (!StartTimeReadable(bytes + set.headerOffset)) {
            result.skipped << Message("Data set %1: its start time cannot be read.").arg(i + 1);
            continue;
        }
        const QByteArray key = SetKeyOf(header);
        const char *records = header + LoggerImage::HeaderSize;
        const qsizetype recordBytes = qsizetype(set.recordCount) * LoggerImage::RecordSize;

        // The same run archived before: the same records (already there), a
        // beginning of these (grown: replaced), or more of them (already there).
        qint64 match = 0;
        bool grows = false;
        findSets.BindBlob(1, key.constData(), key.size());
        int step;
        while ((step = findSets.Step()) == SQLITE_ROW) {
            const QByteArray stored = findSets.Blob(2);
            const qsizetype common = std::min(stored.size(), recordBytes);
            if (std::memcmp(stored.constData(), records, size_t(common)) != 0)
                continue;
            match = findSets.Int(0);
            grows = stored.size() < recordBytes;
            break;
        }
        findSets.Reset();
        if (step != SQLITE_ROW && step != SQLITE_DONE)
            return fail(LastError());

        if (match == 0) {
            addSet.BindBlob(1, key.constData(), key.size());
            addSet.Bind(2, set.startTime);
            addSet.Bind(3, EndTimeOf(set));
            addSet.Bind(4, qint64(set.intervalSeconds));
            addSet.Bind(5, qint64(set.unitCode));
            addSet.Bind(6, qint64(set.coupleType));
            addSet.Bind(7, qint64(set.rhOffset));
            addSet.Bind(8, qint64(set.t1Offset));
            addSet.Bind(9, qint64(set.t2Offset));
            addSet.Bind(10, qint64(set.recordCount));
            addSet.Bind(11, downloadId);
            addSet.Bind(12, downloadId);
            addSet.BindBlob(13, header, LoggerImage::HeaderSize);
            addSet.BindBlob(14, records, recordBytes);
            if (addSet.Step() != SQLITE_DONE)
                return fail(LastError());
            addSet.Reset();
            match = sqlite3_last_insert_rowid(Db);
            ++result.added;
        } else if (grows) {
            growSet.Bind(1, EndTimeOf(set));
            growSet.Bind(2, qint64(set.recordCount));
            growSet.Bind(3, downloadId);
            growSet.BindBlob(4, header, LoggerImage::HeaderSize);
            growSet.BindBlob(5, records, recordBytes);
            growSet.Bind(6, match);
            if (growSet.Step() != SQLITE_DONE)
                return fail(LastError());
            growSet.Reset();
            ++result.grown;
        } else {
            ++result.already;
        }
        link.Bind(1, downloadId);
        link.Bind(2, match);
        link.Bind(3, qint64(i));
        if (link.Step() != SQLITE_DONE)
            return fail(LastError());
        link.Reset();
    }
    for (int i = int(store.DataSets.size()); i < announced; ++i)
        result.skipped << Message("Data set %1: it lies past the end of the memory image.").arg(i + 1);

    counts.Bind(1, qint64(result.added));
    counts.Bind(2, qint64(result.grown));
    counts.Bind(3, downloadId);
    if (counts.Step() != SQLITE_DONE)
        return fail(LastError());
    if (!transaction.Commit())
        return fail(LastError());
    if (report)
        *report = result;
    return true;
}

// ---- reading -----------------------------------------------------------------------

bool TArchive::List(const TArchiveFilter &filter, QVector<TArchiveSet> *sets, QString *error) const
{
    sets->clear();
    if (!Db) {
        if (error)
            *error = Message("The archive is not open.");
        return false;
    }
    TStatement query(Db, R"sql(
        SELECT s.id, s.start_time, s.end_time, s.interval, s.unit, s.couple, s.rh_offset, s.t1_offset, s.t2_offset, s.record_count, s.first_download, s.note, d.time, d.link, d.meter FROM dataset s JOIN download d ON d.id = s.first_download WHERE (?1 IS NULL OR s.end_time >= ?1) AND (?2 IS NULL OR s.start_time <= ?2) AND (?3 < 0 OR s.unit = ?3) ORDER BY s.start_time DESC, s.id DESC)sql");
    if (!query.Ok()) {
        if (error)
            *error = LastError();
        return false;
    }
    if (!std::isnan(filter.from))
        query.Bind(1, filter.from - kHalfMs);
    if (!std::isnan(filter.to))
        query.Bind(2, filter.to + kHalfMs);
    query.Bind(3, qint64(filter.unitCode));
    const bool words = !filter.words.trimmed().isEmpty();
    int step;
    while ((step = query.Step()) == SQLITE_ROW) {
        TArchiveSet s;
        s.id = query.Int(0);
        s.set.startTime = query.Real(1);
        s.endTime = query.Real(2);
        s.set.intervalSeconds = int32_t(query.Int(3));
        s.set.unitCode = uint8_t(query.Int(4));
        s.set.coupleType = int32_t(query.Int(5));
        s.set.rhOffset = int32_t(query.Int(6));
        s.set.t1Offset = int32_t(query.Int(7));
        s.set.t2Offset = int32_t(query.Int(8));
        s.set.recordCount = int32_t(query.Int(9));
        s.downloadId = query.Int(10);
        s.note = query.Text(11);
        s.downloadTime = query.Real(12);
        s.link = query.Text(13);
        s.meter = query.Text(14);
        if (words && !filter.Matches(s))
            continue;
        sets->append(std::move(s));
    }
    if (step != SQLITE_DONE) {
        if (error)
            *error = LastError();
        return false;
    }
    return true;
}

int TArchive::SetCount() const
{
    if (!Db)
        return 0;
    TStatement count(Db, R"sql(
        SELECT count(*) FROM dataset)sql");
    return count.Ok() && count.Step() == SQLITE_ROW ? int(count.Int(0)) : 0;
}

bool TArchive::HasSet(qint64 id) const
{
    if (!Db)
        return false;
    TStatement query(Db, R"sql(
        SELECT 1 FROM dataset WHERE id = ?)sql");
    query.Bind(1, id);
    return query.Ok() && query.Step() == SQLITE_ROW;
}

bool TArchive::SetNote(qint64 id, const QString &note, QString *error)
{
    if (!Db) {
        if (error)
            *error = Message("The archive is not open.");
        return false;
    }
    TStatement update(Db, R"sql(
        UPDATE dataset SET note = ? WHERE id = ?)sql");
    if (update.Ok()) {
        update.Bind(1, note);
        update.Bind(2, id);
        if (update.Step() == SQLITE_DONE) {
            if (sqlite3_changes(Db) == 1)
                return true;
            if (error)
                *error = Message("There is no data set %1 in the archive.").arg(id);
            return false;
        }
    }
    if (error)
        *error = LastError();
    return false;
}

bool TArchive::ImageOf(const QVector<qint64> &ids, QByteArray *image, QString *error) const
{
    if (!Db) {
        if (error)
            *error = Message("The archive is not open.");
        return false;
    }
    TStatement query(Db, R"sql(
        SELECT start_time, header, records FROM dataset WHERE id = ?)sql");
    if (!query.Ok()) {
        if (error)
            *error = LastError();
        return false;
    }
    QVector<QPair<double, QPair<QByteArray, QByteArray>>> found;
    for (qint64 id : ids) {
        query.Bind(1, id);
        const int step = query.Step();
        if (step == SQLITE_ROW) {
            // Deep copies: the blobs live only until the next step.
            found.append({query.Real(0), {QByteArray(query.Blob(1).constData(), query.Blob(1).size()),
                                          QByteArray(query.Blob(2).constData(), query.Blob(2).size())}});
        } else {
            if (error)
                *error = step == SQLITE_DONE ? Message("There is no data set %1 in the archive.").arg(id)
                                             : LastError();
            return false;
        }
        query.Reset();
    }
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QVector<QPair<QByteArray, QByteArray>> sets;
    for (const auto &f : std::as_const(found))
        sets.append(f.second);
    *image = ComposeMemoryImage(sets);
    return true;
}

bool TArchive::Export(const QVector<qint64> &ids, double from, double to, QChar separator, QIODevice &out,
                      qint64 *lines, QString *error) const
{
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!Db)
        return fail(Message("The archive is not open."));
    // Record times are sums of day fractions: half a millisecond either way
    // keeps a record at the very second named inside the range.
    from = std::isnan(from) ? -1e300 : from - kHalfMs;
    to = std::isnan(to) ? 1e300 : to + kHalfMs;
    // The chosen sets, or every set with records in the range, in time order.
    QVector<qint64> chosen;
    const QSet<qint64> wanted(ids.cbegin(), ids.cend());
    {
        TStatement query(Db, R"sql(
        SELECT id FROM dataset WHERE end_time >= ?1 AND start_time <= ?2 ORDER BY start_time, id)sql");
        if (!query.Ok())
            return fail(LastError());
        query.Bind(1, from);
        query.Bind(2, to);
        int step;
        while ((step = query.Step()) == SQLITE_ROW)
            if (wanted.isEmpty() || wanted.contains(query.Int(0)))
                chosen.append(query.Int(0));
        if (step != SQLITE_DONE)
            return fail(LastError());
        for (qint64 id : ids)
            if (!HasSet(id))
                return fail(Message("There is no data set %1 in the archive.").arg(id));
    }
    TStatement query(Db, R"sql(
        SELECT header, records FROM dataset WHERE id = ?)sql");
    if (!query.Ok())
        return fail(LastError());
    qint64 total = 0;
    const QDateTime now = QDateTime::currentDateTime();
    for (qint64 id : std::as_const(chosen)) {
        query.Bind(1, id);
        if (query.Step() != SQLITE_ROW)
            return fail(LastError());
        // Each set decoded as the data-logger window decodes it, its lines
        // written as that window's export writes them.
        const QByteArray image = ComposeMemoryImage({{query.Blob(0), query.Blob(1)}});
        query.Reset();
        TLoggerStore store;
        if (DecodeDataSets(image, store, now) != DecodeOk)
            continue;
        qint64 count = 0;
        const QByteArray text = TextFormat::DataSetExportText(store, 0, separator, from, to, &count);
        if (out.write(text) != text.size())
            return fail(out.errorString());
        total += count;
    }
    if (lines)
        *lines = total;
    return true;
}
