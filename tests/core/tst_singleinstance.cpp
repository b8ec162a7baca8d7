// One running program per user: of starts at the same moment exactly one
// serves, the others hand it their files (absolute, in order) and end; a
// socket left by a killed program is taken over.

#include "core/base/singleinstance.h"
#include "testregistry.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

using InstanceMessage::TDecode;

namespace {

// Starts the peer program; `files` relative to `workingFolder`.
std::unique_ptr<QProcess> StartPeer(const QString &socket, qint64 at, int expect, const QStringList &files,
                                    const QString &workingFolder = QString())
{
    auto peer = std::make_unique<QProcess>();
    peer->setWorkingDirectory(workingFolder.isEmpty() ? QDir::tempPath() : workingFolder);
    peer->start(QStringLiteral(QM738_INSTANCE_PEER),
                QStringList{socket, QString::number(at), QString::number(expect)} + files);
    return peer;
}

QStringList OutputLines(QProcess &peer)
{
    return QString::fromUtf8(peer.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void messageDecodes_data();
    void messageDecodes();
    void racingStartsLeaveOneServer_data();
    void racingStartsLeaveOneServer();
    void socketOfAKilledProgramIsTakenOver();
    void ownerThatNeverListensLeavesTheStartAlone();
    void slowOwnerNeverOpensTheFilesToo();
    void startWithoutDisplayHandsOver();
};

void TestSingleInstance::messageDecodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QStringList>("files");
    const QStringList odd{QStringLiteral("/home/élise/relevé 3.ghf"), QStringLiteral("/tmp/a\nb.738"), QString()};
    const QByteArray whole = InstanceMessage::Encode(odd);
    QTest::newRow("no files") << InstanceMessage::Encode({}) << int(TDecode::Complete) << QStringList();
    QTest::newRow("accents, a new line, an empty name") << whole << int(TDecode::Complete) << odd;
    QTest::newRow("followed by more bytes") << whole + "xyz" << int(TDecode::Complete) << odd;
    QTest::newRow("cut in the magic") << whole.left(5) << int(TDecode::Incomplete) << QStringList();
    QTest::newRow("cut in the count") << whole.left(14) << int(TDecode::Incomplete) << QStringList();
    QTest::newRow("cut in the last name") << whole.chopped(3) << int(TDecode::Incomplete) << QStringList();
    QTest::newRow("another program's bytes") << QByteArray("GET / HTTP/1.1\r\n") << int(TDecode::Invalid)
                                             << QStringList();
    QByteArray tooMany = InstanceMessage::Encode({});
    tooMany.replace(tooMany.size() - 4, 4, QByteArray("\x00\x01\x00\x00", 4));
    QTest::newRow("more files than any command line") << tooMany << int(TDecode::Invalid) << QStringList();
    QByteArray tooLong = InstanceMessage::Encode({QStringLiteral("/a")});
    tooLong.replace(tooLong.size() - 6, 4, QByteArray("\x7f\x00\x00\x00", 4));
    QTest::newRow("a name longer than any path") << tooLong << int(TDecode::Invalid) << QStringList();
}

void TestSingleInstance::messageDecodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    QFETCH(QStringList, files);
    QStringList decoded;
    QCOMPARE(int(InstanceMessage::Decode(bytes, &decoded)), expected);
    QCOMPARE(decoded, files);
}

void TestSingleInstance::racingStartsLeaveOneServer_data()
{
    QTest::addColumn<int>("starts");
    QTest::newRow("two at once") << 2;
    QTest::newRow("five at once") << 5;
}

void TestSingleInstance::racingStartsLeaveOneServer()
{
    QFETCH(int, starts);
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("instance"));
    // Every start waits for the same moment, well after all have been made.
    const qint64 at = QDateTime::currentMSecsSinceEpoch() + 700;
    std::vector<std::unique_ptr<QProcess>> peers;
    QList<QStringList> sent;
    for (int k = 0; k < starts; ++k) {
        const QString folder = dir.filePath(QStringLiteral("wd%1").arg(k));
        QDir().mkpath(folder);
        const QString absolute = QStringLiteral("/elsewhere/%1-c.738").arg(k);
        peers.push_back(StartPeer(socket, at, starts - 1,
                                  {QStringLiteral("%1-a.ghf").arg(k), QStringLiteral("sub/%1-b.txt").arg(k), absolute},
                                  folder));
        sent << QStringList{folder + QStringLiteral("/%1-a.ghf").arg(k), folder + QStringLiteral("/sub/%1-b.txt").arg(k),
                            absolute};
    }
    QStringList got;
    int first = -1;
    for (int k = 0; k < starts; ++k) {
        QProcess &peer = *peers[size_t(k)];
        QVERIFY(peer.waitForFinished(20000));
        QCOMPARE(peer.exitCode(), 0);
        const QStringList lines = OutputLines(peer);
        QVERIFY(!lines.isEmpty());
        if (lines.first() == QLatin1String("first")) {
            QCOMPARE(first, -1); // exactly one serves
            first = k;
            for (const QString &line : lines.mid(1))
                got << line.mid(4);
        } else {
            QCOMPARE(lines, QStringList{QStringLiteral("handed-over")});
        }
    }
    QVERIFY(first >= 0);
    // Each other start's files came whole, absolute and in its order.
    QCOMPARE(got.size(), (starts - 1) * 3);
    for (int k = 0; k < starts; ++k) {
        if (k == first)
            continue;
        const int at = int(got.indexOf(sent[k].first()));
        QVERIFY2(at >= 0, qPrintable(got.join(QLatin1Char(' '))));
        QCOMPARE(got.mid(at, 3), sent[k]);
    }
}

void TestSingleInstance::socketOfAKilledProgramIsTakenOver()
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("instance"));
    auto killed = StartPeer(socket, 0, -1, {});
    QVERIFY(killed->waitForReadyRead(10000));
    QCOMPARE(OutputLines(*killed), QStringList{QStringLiteral("first")});
    killed->kill();
    QVERIFY(killed->waitForFinished(5000));
    QVERIFY(QFile::exists(socket)); // left behind

    TSingleInstance instance(socket);
    QCOMPARE(instance.Start({}), TSingleInstance::TStart::First);
    QVERIFY(instance.Serve());
    QSignalSpy received(&instance, &TSingleInstance::FilesReceived);
    QElapsedTimer clock;
    clock.start();
    auto second = StartPeer(socket, 0, 0, {QStringLiteral("/data/one.ghf"), QStringLiteral("/data/two.738")});
    QTRY_VERIFY_WITH_TIMEOUT(second->state() == QProcess::NotRunning, 10000);
    qInfo("second start handed over and ended after %lld ms (process start included)", clock.elapsed());
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(OutputLines(*second), QStringList{QStringLiteral("handed-over")});
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.first().first().toStringList(),
             (QStringList{QStringLiteral("/data/one.ghf"), QStringLiteral("/data/two.738")}));
}

void TestSingleInstance::ownerThatNeverListensLeavesTheStartAlone()
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("instance"));
    TSingleInstance owner(socket);
    QCOMPARE(owner.Start({}), TSingleInstance::TStart::First);
    TSingleInstance second(socket);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(second.Start({QStringLiteral("/data/one.ghf")}, 300), TSingleInstance::TStart::Alone);
    QVERIFY(clock.elapsed() >= 300);
    QVERIFY(clock.elapsed() < 3000);
    QVERIFY(!second.ErrorString().isEmpty());
    QVERIFY(!second.Serve()); // only the owner of the lock serves
}

// The owner is busy longer than a start waits: the start gives up and opens
// its files itself, and the owner, reading the message late, does not.
void TestSingleInstance::slowOwnerNeverOpensTheFilesToo()
{
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("instance"));
    TSingleInstance owner(socket);
    QCOMPARE(owner.Start({}), TSingleInstance::TStart::First);
    QVERIFY(owner.Serve());
    QSignalSpy received(&owner, &TSingleInstance::FilesReceived);
    auto second = StartPeer(socket, 0, 0, {QStringLiteral("/data/one.ghf")});
    QVERIFY(second->waitForFinished(10000)); // the owner's loop does not turn meanwhile
    QVERIFY2(OutputLines(*second).value(0).startsWith(QLatin1String("alone")),
             qPrintable(OutputLines(*second).join(QLatin1Char(' '))));
    QTest::qWait(1000);
    QCOMPARE(received.count(), 0);
}

// The program started without a display hands its files to the running one
// (and ends with 0) instead of failing for want of a screen.
void TestSingleInstance::startWithoutDisplayHandsOver()
{
    TSingleInstance owner(TSingleInstance::DefaultSocketPath());
    QCOMPARE(owner.Start({}), TSingleInstance::TStart::First);
    QVERIFY(owner.Serve());
    QSignalSpy received(&owner, &TSingleInstance::FilesReceived);
    QProcess start;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    start.setProcessEnvironment(env);
    start.start(QStringLiteral(QM738_APP_PATH), {QStringLiteral("/data/one.ghf")});
    QTRY_VERIFY_WITH_TIMEOUT(start.state() == QProcess::NotRunning, 10000);
    QCOMPARE(start.exitStatus(), QProcess::NormalExit);
    QCOMPARE(start.exitCode(), 0);
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.first().first().toStringList(), QStringList{QStringLiteral("/data/one.ghf")});
}

QM738_REGISTER_TEST(TestSingleInstance)
#include "tst_singleinstance.moc"
