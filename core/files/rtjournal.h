#pragma once
// The journal of a real-time recording: every point the graph receives is
// appended to a file under the user's application data folder, so a crash, a
// kill or a power cut does not lose the recording.
//
// File: a sequence of records, each a 32-bit little-endian payload length,
// the payload and a CRC-32 of the payload (little-endian). The first record
// is the header (what rebuilds the window); every further record is one
// point. A reader stops at the first record that is short or fails its
// check, so a record torn by a kill or a power cut is ignored.
//
// Each point goes to the operating system with one write() before Append
// returns; the file is synced to disk so that no point waits more than
// 10 seconds for it. The sync runs on a thread of the journal's own, so the
// poll cycle never waits for the disk. A write that fails is cut back to the
// last whole record, so the points appended after it stay readable.
//
// Ownership: the program that writes or recovers a journal holds a kernel
// lock (flock) on "<journal>.lock" for as long as the journal is its own.
// The kernel lets go when the owner dies, however it dies; nothing written
// in the file (a PID, a host name) is trusted. A journal whose lock cannot be
// taken is someone else's and is never read for recovery nor deleted.

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QVector>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

struct TRealTimeJournalHeader {
    double start = 0;       // days since 30 Dec 1899
    int rate = 2;           // seconds between points
    int points = 0;         // number of points asked for
    QString unit;           // the Y axis label of the graph (often empty)
    int unitCode = -1;      // the recording's unit: 0 degF, 1 degC, 2 K; -1 unknown
                            // (a journal written before the unit was stored)
    QStringList labels;     // subset labels
    QVector<uint32_t> colors; // subset colours (0xAARRGGBB)
};

// One point as the poll cycle handed it to the graph: the status byte of the
// live reply, the time and RH, T1, T2, WET BULB, DEW POINT.
struct TRealTimeJournalPoint {
    double x = 0;
    uint8_t status = 0;
    float y[5] = {0, 0, 0, 0, 0};
    bool operator==(const TRealTimeJournalPoint &o) const;
};

struct TRealTimeJournalContents {
    TRealTimeJournalHeader header;
    QVector<TRealTimeJournalPoint> points;
};

class TRealTimeJournal {
public:
    TRealTimeJournal();
    ~TRealTimeJournal(); // closes the file and lets go of the lock; the file stays
    TRealTimeJournal(const TRealTimeJournal &) = delete;
    TRealTimeJournal &operator=(const TRealTimeJournal &) = delete;

    // The folder of the journals (AppDataLocation/journal), created on demand.
    static QString Folder();
    // A new journal name in `folder`, unique to this process and moment.
    static QString NewPath(const QString &folder);

    // Starts a journal at `path` (replacing any), holding its lock, and writes
    // the header. False with a reason when the file cannot be written.
    bool Begin(const QString &path, const TRealTimeJournalHeader &header, QString *error = nullptr);
    // Takes over an existing journal: holds its lock and keeps the file,
    // without appending. False when another program holds it. Taken before
    // the journal is read and asked about, so no one else can recover or
    // delete it meanwhile.
    bool Adopt(const QString &path);
    // Appends one point (one write); false when the write failed, the file
    // then cut back to its last whole record.
    bool Append(const TRealTimeJournalPoint &point);
    // True once for each failure that the owner has not been told of yet (a
    // failed append or a failed sync), with its reason.
    bool TakeFailure(QString *reason);
    // Has the written points synced to disk when any wait for it and `dueMs`
    // have passed since the last sync (0: now). The sync itself runs on the
    // journal's thread.
    void SyncIfDue(qint64 dueMs = 0);
    // Closes and deletes the journal and its lock.
    void Remove();
    // Lets go of the journal and its lock, keeping the file for a later start.
    void Release();

    bool IsOpen() const { return m_fd >= 0; }
    // True while a journal (written or adopted) belongs to this object.
    bool Owns() const { return !m_path.isEmpty(); }
    QString Path() const { return m_path; }
    // Points written since Begin.
    int Count() const { return m_count; }

    // Reads a journal; false when it holds no valid header. At most the
    // header's number of points is read.
    static bool Read(const QString &path, TRealTimeJournalContents *contents, QString *error = nullptr);
    // Journals in `folder` that no running program owned when looked at,
    // oldest first. Only Adopt makes one this program's own.
    static QStringList Orphans(const QString &folder);

private:
    bool Lock(const QString &path);
    void Unlock(bool removeFile);
    void NoteFailure(const QString &reason);
    void Close();
    void StartSyncer();
    void StopSyncer(); // after the last sync asked for has run


    QString m_path;
    int m_lockFd = -1;
    int m_fd = -1;
    qint64 m_size = 0; // bytes of whole records in the file
    int m_count = 0;
    int m_rateMs = 2000;
    bool m_dirty = false;
    QElapsedTimer m_sinceSync;

    std::thread m_syncer;
    std::mutex m_syncMutex;
    std::condition_variable m_syncWake;
    bool m_syncWanted = false;
    bool m_syncStop = false;
    QString m_failure;       // not told yet; guarded by m_syncMutex
    bool m_failureTold = false;
};
