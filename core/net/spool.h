#pragma once
// The readings of a publisher on disk until the broker has them, so that a
// restart, a crash, a kill or a power cut during a broker outage loses at
// most the last second of readings.
//
// A spool is a folder of its own (one per publisher name) holding:
//   lock         flock()ed by the publisher that owns the spool; the kernel
//                lets go when that process ends, however it ends
//   head         the sequence number of the oldest reading not yet delivered
//                (8 bytes little-endian and their CRC-32)
//   <seq>.seg    segments of at most 1 MiB, named after their first record
// A record is a 32-bit little-endian body length, the CRC-32 of the body and
// the body: sequence number (64 bits), time in ms since the epoch (64 bits),
// unit code (8 bits) and the payload. Sequence numbers rise by one.
//
// Each record goes to the operating system with one write() before Append
// returns; the files are synced on a thread of the spool's own at most
// `syncMs` after a record was written. At opening, the records are read back
// up to the first short, damaged or out-of-order one: the rest of that
// segment is cut (and counted), never a reason not to start. Segments wholly
// delivered are deleted. Beyond `maxBytes`, the oldest segment goes, its
// undelivered readings counted as dropped.
//
// A record that cannot be written (a full disk) stays in memory, so nothing
// is lost while the program runs; the failure is reported once.

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

uint32_t Crc32(const char *data, size_t size);

struct TSpoolRecord {
    quint64 seq = 0;
    qint64 timeMs = 0;
    uint8_t unit = 0;
    QByteArray payload;
};

class TSpool {
public:
    static constexpr qint64 SegmentBytes = 1 << 20;

    TSpool();
    ~TSpool(); // syncs what was written, lets go of the lock
    TSpool(const TSpool &) = delete;
    TSpool &operator=(const TSpool &) = delete;

    // The state folder of a user ($XDG_STATE_HOME/qm738) or of a service
    // ($STATE_DIRECTORY).
    static QString StateFolder();

    // Opens (or makes) the spool in `folder`, takes its lock and reads it
    // back. False with the reason: the folder cannot be made or read, or
    // another publisher holds it.
    bool Open(const QString &folder, qint64 maxBytes, int syncMs, QString *error);

    // Appends a reading; its sequence number. False only when it is held in
    // memory because the disk refused it (`error` says why, once).
    bool Append(qint64 timeMs, uint8_t unit, const QByteArray &payload, quint64 *seq, QString *error = nullptr);

    // Sequence numbers of the readings not delivered yet: [First(), End()).
    quint64 First() const { return m_firstSeq; }
    quint64 End() const { return m_firstSeq + quint64(m_entries.size()); }
    bool Contains(quint64 seq) const { return seq >= First() && seq < End(); }
    bool IsDelivered(quint64 seq) const;
    // The reading `seq` (which Contains); false when it cannot be read back.
    bool Read(quint64 seq, TSpoolRecord *record) const;
    uint8_t Unit(quint64 seq) const { return m_entries[size_t(seq - m_firstSeq)].unit; }
    qint64 TimeMs(quint64 seq) const { return m_entries[size_t(seq - m_firstSeq)].timeMs; }

    // The broker has `seq`: the oldest delivered readings leave the spool.
    void MarkDelivered(quint64 seq);
    // Readings held (not delivered yet).
    qsizetype Pending() const { return m_pending; }

    quint64 Dropped() const { return m_dropped; }       // to keep within maxBytes
    quint64 CutBytes() const { return m_cutBytes; }     // damaged tails cut at opening
    quint64 Recovered() const { return m_recovered; }   // readings found at opening

    // Asks the thread to sync now if anything waits for it; called by the
    // owner's loop (Append does it too once `syncMs` have passed).
    void SyncIfDue();
    // Syncs everything and waits for it (a clean stop).
    void Flush();

private:
    struct TEntry {
        qint64 timeMs = 0;
        qint64 segment = -1;  // first seq of its segment; -1: held in memory
        qint64 offset = 0;
        int size = 0;         // of the whole record
        uint8_t unit = 0;
        bool delivered = false;
        QByteArray memory;    // the payload of a record the disk refused
    };
    struct TSegment {
        int fd = -1;
        qint64 size = 0;
        quint64 next = 0; // the seq its next record must have
    };

    bool Scan(QString *error);
    bool StartSegment(quint64 firstSeq, QString *error);
    void DropOldestSegment();
    void RemoveSegment(quint64 name);
    QString SegmentPath(quint64 name) const;
    void RequestSync(bool wait);
    void SyncLoop();

    QString m_folder;
    qint64 m_maxBytes = 0;
    int m_syncMs = 1000;
    int m_lockFd = -1;
    int m_headFd = -1;
    std::map<quint64, TSegment> m_segments; // by first seq
    qint64 m_bytes = 0;
    std::deque<TEntry> m_entries;
    quint64 m_firstSeq = 1;
    qsizetype m_pending = 0;
    quint64 m_dropped = 0;
    quint64 m_cutBytes = 0;
    quint64 m_recovered = 0;
    bool m_failureTold = false;
    qint64 m_lastSyncMs = 0;

    // The syncer: fds (dup'ed, so the owner may close its own) to sync, and
    // the head to write. Guarded by m_syncMutex.
    std::thread m_syncer;
    std::mutex m_syncMutex;
    std::condition_variable m_syncWake;
    std::condition_variable m_syncDone;
    std::vector<int> m_syncFds;
    bool m_syncFolder = false;
    quint64 m_syncHead = 0;
    quint64 m_writtenHead = 0;
    quint64 m_syncRequests = 0;
    quint64 m_syncsDone = 0;
    bool m_syncStop = false;
};
