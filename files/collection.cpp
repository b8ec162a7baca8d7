#include "files/collection.h"

#include "app/appstate.h"
#include "app/dialogs.h"
#include "app/paths.h"
#include "app/translation.h"
#include "files/graphfile.h"
#include "logger/datasetdecoder.h"
#include "logger/loggergraph.h"
#include "logger/loggerhost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString UserFolder()
{
    ILoggerHost *host = LoggerHost();
    return host ? host->State().UserFolder : QString();
}

QString TextOr(const char *key, const char *fallback)
{
    const QString text = GetTextOrDefault(QLatin1String(key));
    return text.trimmed().isEmpty() ? QString::fromLatin1(fallback) : text;
}

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// Writes `data` to `path` whole or not at all.
bool WriteWhole(const QString &path, const QByteArray &data, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size() || !file.flush() || file.size() != data.size()) {
        *error = file.errorString().isEmpty() ? AddedText("The file could not be written completely.")
                                              : file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

bool WriteFileWhole(const QString &path, const QByteArray &data, QString *error)
{
    return WriteWhole(path, data, error);
}

QString TempCollectionFolder()
{
    return QDir(DialogFolder(UserFolder())).filePath(QStringLiteral("temp"));
}

QString TempCollectionPath()
{
    return TempCollectionFolder() + QStringLiteral("/DataSetsTemp.tmp");
}

bool WriteTempCollection(const QByteArray &image, int count)
{
    const QString folder = TempCollectionFolder();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        Dialogs::Message(nullptr, Dialogs::Kind::Error, Native(folder));
        return false;
    }
    const QString path = TempCollectionPath();
    QString error;
    if (!WriteWhole(path, image.left(std::max(0, count)), &error)) {
        Dialogs::Message(nullptr, Dialogs::Kind::Error,
                         AddedText("Cannot write the temporary collection file \"%1\".\n%2").arg(Native(path), error));
        return false;
    }
    return true;
}

bool ReadCollectionFile(const QString &path, QByteArray *image, QString *error)
{
    QString reason;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
    } else if (file.size() > LoggerImage::MemorySize) {
        // Larger than the meter's memory: not a collection, and never read in.
        reason = AddedText("The file holds %1 bytes, more than the meter's memory of %2 bytes.")
                     .arg(file.size())
                     .arg(LoggerImage::MemorySize);
    } else {
        QByteArray bytes = file.read(LoggerImage::MemorySize + 1);
        if (bytes.isEmpty())
            reason = file.error() != QFileDevice::NoError ? file.errorString() : AddedText("The file is empty.");
        else if (bytes.size() > LoggerImage::MemorySize)
            reason = AddedText("The file is larger than the meter's memory of %1 bytes.")
                         .arg(LoggerImage::MemorySize);
        else
            *image = bytes;
    }
    if (!reason.isEmpty() && error)
        *error = reason;
    return reason.isEmpty();
}

bool SaveCollection(QWidget *parent)
{
    Dialogs::FileRequest request;
    request.parent = parent;
    request.save = true;
    request.title = TextOr("IDS_22", "Save File");
    request.folder = DialogFolder(UserFolder());
    request.filter = QtFilterFromPairs(QStringLiteral("Data Set Collection file(*.738,only for QM738)|*.738"));
    // A name typed without an extension becomes a ".738" file, the type the
    // open dialog lists.
    request.defaultSuffix = QStringLiteral("738");
    const QString target = Dialogs::FileName(request);
    if (target.isEmpty())
        return false;

    QString error;
    QByteArray image;
    QFile temp(TempCollectionPath());
    if (!temp.exists()) {
        error = AddedText("There is no downloaded or opened data set collection to save.");
    } else if (!temp.open(QIODevice::ReadOnly)) {
        error = temp.errorString();
    } else {
        image = temp.readAll();
        if (temp.error() != QFileDevice::NoError)
            error = temp.errorString();
    }
    if (error.isEmpty() && WriteWhole(target, image, &error)) {
        if (ILoggerHost *host = LoggerHost())
            SetLoggerDataUnsaved(host->State(), false);
        return true;
    }
    Dialogs::Message(parent, Dialogs::Kind::Error,
                     AddedText("The data set collection was not saved to \"%1\".\n%2").arg(Native(target), error));
    return false;
}

bool OpenCollection(QWidget *parent)
{
    if (ILoggerHost *host = LoggerHost()) {
        if (!AskToSaveUnsavedDownload(host->State(), parent))
            return false;
    }
    PrepareLoggerGraphWindow();

    Dialogs::FileRequest request;
    request.parent = parent;
    request.save = false;
    request.title = TextOr("IDS_43", "Open File");
    request.folder = DialogFolder(UserFolder());
    request.filter = QtFilterFromPairs(QStringLiteral("Data Sets Collection (*.738)|*.738"));
    request.defaultSuffix = QStringLiteral("738");
    const QString path = Dialogs::FileName(request);
    if (path.isEmpty())
        return false; // the data-logger window stays open
    return OpenCollectionFile(path, parent);
}

bool OpenCollectionFile(const QString &path, QWidget *parent)
{
    PrepareLoggerGraphWindow();
    QByteArray image;
    QString error;
    if (!ReadCollectionFile(path, &image, &error)) {
        Dialogs::Message(parent, Dialogs::Kind::Error,
                         AddedText("Cannot open the data set collection \"%1\".\n%2").arg(Native(path), error));
        return false;
    }
    const int result = DecodeMemoryImage(image);
    if (result != DecodeOk) {
        Dialogs::Message(parent, Dialogs::Kind::Error,
                         AddedText("\"%1\" is not a data set collection: %2")
                             .arg(Native(path),
                                  result == DecodeTooManySets ? AddedText("it announces more than 4000 data sets.")
                                                              : AddedText("it holds no data set.")));
        return false;
    }
    // The list and the graph show the new collection even when its temporary
    // copy could not be written (that failure has been reported).
    WriteTempCollection(image, int(image.size()));
    image.clear();
    GraphDataSet(0);
    // What is shown now is a saved collection.
    if (ILoggerHost *host = LoggerHost())
        SetLoggerDataUnsaved(host->State(), false);
    return true;
}

void InstallCollectionHooks()
{
    GraphFileHooks::SaveCollection = [](QWidget *parent) { return SaveCollection(parent); };
    GraphFileHooks::OpenCollection = [](QWidget *parent) { OpenCollection(parent); };
    GraphFileHooks::OpenCollectionFile = [](const QString &path) {
        ILoggerHost *host = LoggerHost();
        if (!host || AskToSaveUnsavedDownload(host->State()))
            OpenCollectionFile(path);
    };
}

QString LoggerDataUnsavedPath()
{
    return TempCollectionFolder() + QStringLiteral("/LoggerDataUnsaved");
}

void SetLoggerDataUnsaved(TAppState &state, bool unsaved)
{
    state.LoggerDataUnsaved = unsaved;
    const QString path = LoggerDataUnsavedPath();
    if (!unsaved) {
        QFile::remove(path);
        return;
    }
    QDir().mkpath(TempCollectionFolder());
    QString error;
    WriteWhole(path, QByteArray("1\n"), &error);
}

bool OfferUnsavedDownload(TAppState &state, QWidget *parent)
{
    if (!QFileInfo::exists(LoggerDataUnsavedPath()))
        return false;
    if (!QFileInfo(TempCollectionPath()).isFile()) {
        SetLoggerDataUnsaved(state, false);
        return false;
    }
    const int answer = Dialogs::Message(parent, Dialogs::Kind::Confirmation, TextOr("IDS_OPEN_UNSAVED_DOWNLOAD",
                                        "The data-logger data downloaded last time were never saved. Open them?"),
                                        Dialogs::Yes | Dialogs::No);
    if (answer != Dialogs::Yes) {
        SetLoggerDataUnsaved(state, false);
        return false;
    }
    const bool opened = OpenCollectionFile(TempCollectionPath(), parent);
    // Kept set either way: the download is still not saved.
    SetLoggerDataUnsaved(state, true);
    return opened;
}

bool AskToSaveUnsavedDownload(TAppState &state, QWidget *parent)
{
    if (!state.LoggerDataUnsaved)
        return true;
    const int answer = Dialogs::Message(parent, Dialogs::Kind::Confirmation, QStringLiteral("Save DataLogger Data ?"),
                                        Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
    if (answer == Dialogs::Cancel)
        return false;
    if (answer == Dialogs::Yes)
        return SaveCollection(parent);
    return true;
}
