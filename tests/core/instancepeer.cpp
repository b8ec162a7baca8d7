// A start of the program as the single-instance tests see it:
//   qm738-instance-peer SOCKET AT EXPECT [FILE...]
// waits until AT (milliseconds since the epoch; 0: at once), then tries to
// become the running program on SOCKET and prints "first", "handed-over" or
// "alone". The first serves, prints "got PATH" for each file handed to it and
// ends after EXPECT hand-overs (never when EXPECT is negative) or 20 s.

#include "core/base/singleinstance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {
void Say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() < 3)
        return 2;
    TSingleInstance instance(args.takeFirst());
    const qint64 at = args.takeFirst().toLongLong();
    int expect = args.takeFirst().toInt();
    const qint64 wait = at - QDateTime::currentMSecsSinceEpoch();
    if (wait > 0)
        QThread::msleep(ulong(wait));

    switch (instance.Start(args)) {
    case TSingleInstance::TStart::HandedOver:
        Say("handed-over");
        return 0;
    case TSingleInstance::TStart::Alone:
        Say("alone " + instance.ErrorString().toUtf8());
        return 1;
    case TSingleInstance::TStart::First:
        break;
    }
    QObject::connect(&instance, &TSingleInstance::FilesReceived, [&](const QStringList &files) {
        for (const QString &file : files)
            Say("got " + file.toUtf8());
        if (--expect == 0)
            QCoreApplication::quit();
    });
    if (!instance.Serve()) {
        Say("alone " + instance.ErrorString().toUtf8());
        return 1;
    }
    Say("first");
    if (expect == 0)
        return 0;
    QTimer::singleShot(20000, &app, &QCoreApplication::quit);
    return app.exec();
}
