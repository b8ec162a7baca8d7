#include "app/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString WithSlash(QString path)
{
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

const char *kTemplate = "template/graph.ghf";
} // namespace

QString ProgramFolder()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    QDir dir(exeDir);
    if (dir.dirName() == QLatin1String("bin")) {
        const QString shared = QDir::cleanPath(exeDir + QStringLiteral("/../share/qm738"));
        if (QFileInfo(shared).isDir())
            return WithSlash(shared);
    }
    return WithSlash(exeDir);
}

QString SettleUserFolder(const QString &documentsFolder)
{
    if (documentsFolder.isEmpty())
        return QString();
    const QString docs = WithSlash(documentsFolder);
    const QString folder = docs + QStringLiteral("QM738/");
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
        return folder;
    return docs;
}

QString DocumentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString DialogFolder(const QString &userFolder)
{
    return userFolder.isEmpty() ? ProgramFolder() : userFolder;
}

QString HelpFilePath()
{
    return ProgramFolder() + QStringLiteral("QM738HELP.htm");
}

QString TemplateReadPath()
{
    const QString user = WithSlash(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                         + QLatin1String(kTemplate);
    const QString program = ProgramFolder() + QLatin1String(kTemplate);
    if (QFileInfo(user).isFile())
        return user;
    if (QFileInfo(program).isFile())
        return program;
    return QString();
}

QString TemplateWritePath()
{
    // Once the user has a copy of his own, it stays the one read and written.
    const QString user = WithSlash(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                         + QLatin1String(kTemplate);
    if (QFileInfo(user).isFile())
        return user;
    const QString program = ProgramFolder() + QLatin1String(kTemplate);
    const QFileInfo dir(ProgramFolder());
    if (dir.isWritable() && (QFileInfo(program).isFile() ? QFileInfo(program).isWritable()
                                                         : QDir().mkpath(ProgramFolder() + QStringLiteral("template"))))
        return program;
    QDir().mkpath(QFileInfo(user).absolutePath());
    return user;
}
