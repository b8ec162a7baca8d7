#include "gui/logger/archiving.h"

#include "core/archive/archive.h"
#include "core/base/appstate.h"
#include "core/base/translation.h"
#include "core/files/collectionfile.h"
#include "gui/base/dialogs.h"
#include "gui/logger/collection.h"
#include "gui/logger/loggerhost.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace {

std::unique_ptr<TArchive> &Archive()
{
    static std::unique_ptr<TArchive> archive;
    return archive;
}

QString &CurrentCollection()
{
    static QString path;
    return path;
}

TArchiveSource &DownloadSource()
{
    static TArchiveSource source;
    return source;
}

QString &RefusedPath()
{
    static QString path;
    return path;
}

void Status(const QString &text)
{
    if (ILoggerHost *host = LoggerHost())
        host->ShowStatusMessage(text);
}

QString Summary(const TArchiveImport &report)
{
    return AddedText("Archive: %1 data sets, %2 new, %3 grown, %4 already there.")
        .arg(report.found)
        .arg(report.added)
        .arg(report.grown)
        .arg(report.already);
}

bool Add(const QByteArray &image, const TArchiveSource &source, QWidget *parent)
{
    TArchive *archive = ProgramArchive(parent);
    if (!archive)
        return false;
    TArchiveImport report;
    QString error;
    if (!archive->Import(image, source, &report, &error)) {
        Dialogs::Message(parent, Dialogs::Kind::Error,
                         AddedText("The data sets were not added to the archive \"%1\".\n%2")
                             .arg(QDir::toNativeSeparators(archive->Path()), error));
        return false;
    }
    QString text = Summary(report);
    if (!report.skipped.isEmpty()) {
        text += QLatin1Char(' ') + AddedText("Skipped: %1").arg(report.skipped.join(QLatin1Char(' ')));
        Dialogs::Message(parent, Dialogs::Kind::Warning, report.skipped.join(QLatin1Char('\n')));
    }
    Status(text);
    return true;
}

} // namespace

TArchive *ProgramArchive(QWidget *parent)
{
    const QString path = TArchive::ResolvePath();
    std::unique_ptr<TArchive> &archive = Archive();
    if (archive && archive->IsOpen() && archive->Path() == path)
        return archive.get();
    archive = std::make_unique<TArchive>();
    QString error;
    if (archive->Open(path, &error)) {
        RefusedPath().clear();
        return archive.get();
    }
    archive.reset();
    if (RefusedPath() != path) {
        RefusedPath() = path;
        Dialogs::Message(parent, Dialogs::Kind::Error,
                         AddedText("The archive \"%1\" cannot be used.\n%2").arg(QDir::toNativeSeparators(path), error));
    } else {
        Status(AddedText("The archive \"%1\" cannot be used.\n%2").arg(QDir::toNativeSeparators(path), error));
    }
    return nullptr;
}

void CloseProgramArchive()
{
    Archive().reset();
    RefusedPath().clear();
}

void SetDownloadSource(const TArchiveSource &source) { DownloadSource() = source; }

bool ArchiveDownload(const QByteArray &image, QWidget *parent)
{
    TArchiveSource source = DownloadSource();
    if (source.link.isEmpty()) {
        if (ILoggerHost *host = LoggerHost())
            source.link = host->State().UsbLink ? QStringLiteral("usb") : QStringLiteral("serial");
    }
    SetCurrentCollectionPath(QString());
    return Add(image, source, parent);
}

bool AddCollectionToArchive(QWidget *parent)
{
    QByteArray image;
    QString error;
    if (!ReadCollectionFile(TempCollectionPath(), &image, &error)) {
        Dialogs::Message(parent, Dialogs::Kind::Error,
                         AddedText("There is no downloaded or opened data set collection to save."));
        return false;
    }
    return Add(image, {QStringLiteral("file"), CurrentCollection(), QString()}, parent);
}

void SetCurrentCollectionPath(const QString &path)
{
    CurrentCollection() = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}
