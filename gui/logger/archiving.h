#pragma once
// The program's archive (core/archive/): opened once per run at the path the
// setting ArchivePath, QM738_ARCHIVE or the data folder gives, every download
// added as soon as it is decoded, a collection added with one command.

#include <QByteArray>
#include <QString>

class QWidget;
class TArchive;

// The open archive, opened on first use; null (after saying why, once per
// path) when the file is refused or cannot be opened.
TArchive *ProgramArchive(QWidget *parent = nullptr);
// Closes it (tests switch archives through QM738_ARCHIVE).
void CloseProgramArchive();

// Where the next download comes from (the Load command says it before the transfer).
struct TArchiveSource;
void SetDownloadSource(const TArchiveSource &source);

// Adds a decoded download to the archive in one transaction and says in the
// status bar how many sets were new. False when it was not archived (said).
bool ArchiveDownload(const QByteArray &image, QWidget *parent = nullptr);
// Data Logger > Add Collection to Archive: the collection shown now (the
// temporary collection of the last download or file opened).
bool AddCollectionToArchive(QWidget *parent = nullptr);
// The collection file opened last (empty after a download).
void SetCurrentCollectionPath(const QString &path);
