// qm738-cli publish: live readings to an MQTT broker, unattended.

#include "cli/commands.h"
#include "cli/session.h"

#include "core/base/systemerror.h"
#include "core/net/mqttclient.h"
#include "core/net/publisher.h"
#include "core/net/spool.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

namespace {

const char kCommand[] = "publish";
constexpr qint64 kTickMs = 500;
// The spool's bound: about 14 days of readings at 2 s (a reading takes about 180 bytes).
constexpr int kDefaultSpoolMiB = 256;
// The topic ends under the prefix and the discovery prefix, for the length check.
constexpr int kLongestTopicEnd = sizeof("/availability") - 1;

const QCommandLineOption BrokerOption(QStringLiteral("broker"),
                                      QStringLiteral("The broker: mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] "
                                                     "(8883, TLS)."),
                                      QStringLiteral("url"));
const QCommandLineOption TopicOption(QStringLiteral("topic"), QStringLiteral("Topic prefix (default qm738/NAME)."),
                                     QStringLiteral("prefix"));
const QCommandLineOption IntervalOption(QStringLiteral("interval"),
                                        QStringLiteral("Seconds between readings, 0.5 to 86400 (default 2)."),
                                        QStringLiteral("S"), QStringLiteral("2"));
const QCommandLineOption NameOption(QStringLiteral("name"),
                                    QStringLiteral("The meter's name in topics and ids (default: the port and the "
                                                   "meter's identity)."),
                                    QStringLiteral("name"));
const QCommandLineOption DiscoveryOption(QStringLiteral("discovery"),
                                         QStringLiteral("Home Assistant discovery under PREFIX (default "
                                                        "homeassistant)."),
                                         QStringLiteral("prefix"));
const QCommandLineOption UsernameOption(QStringLiteral("username"), QStringLiteral("User name at the broker."),
                                        QStringLiteral("user"));
const QCommandLineOption PasswordFileOption(QStringLiteral("password-file"),
                                            QStringLiteral("File holding the password (readable by its owner "
                                                           "only); or QM738_MQTT_PASSWORD."),
                                            QStringLiteral("file"));
const QCommandLineOption CaFileOption(QStringLiteral("cafile"),
                                      QStringLiteral("Certificate authority for mqtts:// (default: the system's)."),
                                      QStringLiteral("file"));
const QCommandLineOption InsecureOption(QStringLiteral("insecure"),
                                        QStringLiteral("TLS without checking the certificate and host name."));
const QCommandLineOption QosOption(QStringLiteral("qos"), QStringLiteral("0 or 1 (default 1)."), QStringLiteral("0|1"),
                                   QStringLiteral("1"));
const QCommandLineOption MqttVersionOption(QStringLiteral("mqtt-version"),
                                           QStringLiteral("3.1.1 or 5 (default 3.1.1, which MQTT 5 brokers take "
                                                          "too)."),
                                           QStringLiteral("version"), QStringLiteral("3.1.1"));
const QCommandLineOption SpoolSizeOption(QStringLiteral("spool-size"),
                                         QStringLiteral("MiB of readings kept on disk while the broker is away, the "
                                                        "oldest dropped first (default 256, about 14 days at 2 s)."),
                                         QStringLiteral("MiB"), QString::number(kDefaultSpoolMiB));
const QCommandLineOption RemoveDiscoveryOption(QStringLiteral("remove-discovery"),
                                               QStringLiteral("Clears the retained Home Assistant configs of --name "
                                                          "(and its availability) and ends; no meter is needed."));
const QCommandLineOption ConfigOption(QStringLiteral("config"),
                                      QStringLiteral("Settings file: \"option = value\" lines with the long option "
                                                     "names; the command line wins."),
                                      QStringLiteral("file"));

const QString kUsage = QStringLiteral(
    "qm738-cli publish [--port P | --usb] --broker mqtt[s]://HOST[:PORT] [--topic PREFIX] [--interval S] "
    "[--name NAME] [--discovery [PREFIX]] [--username U --password-file FILE] [--cafile FILE] [--insecure] "
    "[--qos 0|1] [--mqtt-version 3.1.1|5] [--spool-size MiB] [--config FILE]\n"
    "qm738-cli publish --broker URL --name NAME [--discovery [PREFIX]] --remove-discovery\n"
    "Publishes every reading taken while connected as JSON on PREFIX/state (the text of read --format json), "
    "readings that waited for the broker on PREFIX/history, and the meter's availability (online/offline, "
    "retained, offline also as the last will) on PREFIX/availability; with --discovery one Home Assistant "
    "config per channel. Every reading is written to a spool on disk ($XDG_STATE_HOME/qm738/spool/NAME, "
    "or $STATE_DIRECTORY for a service) before it is sent and leaves it once the broker has it, so a restart "
    "or a crash during an outage loses nothing; the spool keeps --spool-size MiB, the oldest dropped first. "
    "A broker that cannot be reached is tried again after 1 s, doubling up to 60 s, for ever. Until the first "
    "connection, credentials the broker refuses, a certificate that does not verify and an unknown host end "
    "the command with exit code 6, as does a message the broker refuses as not authorised. SIGTERM or Ctrl-C "
    "publishes offline and disconnects.");

// "--discovery" without a value takes the default prefix.
QStringList DefaultDiscoveryPrefix(QStringList args)
{
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--discovery")
            && (i + 1 == args.size() || args.at(i + 1).startsWith(QLatin1Char('-'))))
            args[i] = QStringLiteral("--discovery=homeassistant");
    }
    return args;
}

// A line of a settings file without its comment: '#' starts one at the
// start of the line or after a blank, so "topic = site#2" keeps its '#'.
QString WithoutComment(const QString &line)
{
    for (int i = 0; i < line.size(); ++i)
        if (line.at(i) == QLatin1Char('#') && (i == 0 || line.at(i - 1).isSpace()))
            return line.left(i);
    return line;
}

// The words of a settings file: "name = value" lines become "--name=value",
// "name" alone (or "= yes") a switch. An exit code.
int ConfigWords(const QString &path, QStringList *words)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(kCommand, QStringLiteral("cannot read %1: %2").arg(path, SystemErrorText(errno)));
        return CliExit::File;
    }
    const QStringList switches{QStringLiteral("usb"), QStringLiteral("insecure"), QStringLiteral("discovery")};
    const QStringList valued{QStringLiteral("port"),     QStringLiteral("broker"),        QStringLiteral("topic"),
                             QStringLiteral("interval"), QStringLiteral("name"),          QStringLiteral("discovery"),
                             QStringLiteral("username"), QStringLiteral("password-file"), QStringLiteral("cafile"),
                             QStringLiteral("qos"),      QStringLiteral("mqtt-version"),  QStringLiteral("spool-size")};
    int lineNo = 0;
    while (!file.atEnd()) {
        ++lineNo;
        const QString line = WithoutComment(QString::fromUtf8(file.readLine())).trimmed();
        if (line.isEmpty())
            continue;
        const QString key = line.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = line.section(QLatin1Char('='), 1).trimmed();
        const bool yes = value.isEmpty() || value == QLatin1String("yes") || value == QLatin1String("true");
        if (!switches.contains(key) && !valued.contains(key)) {
            const QString hint = key == QLatin1String("password")
                                     ? QStringLiteral(" (the password comes from password-file or QM738_MQTT_PASSWORD)")
                                     : QString();
            Fail(kCommand, QStringLiteral("%1:%2: \"%3\" is not a setting%4").arg(path).arg(lineNo).arg(key, hint));
            return CliExit::Usage;
        }
        if (switches.contains(key) && (yes || value == QLatin1String("no") || value == QLatin1String("false"))) {
            if (yes)
                *words << QStringLiteral("--") + key;
        } else {
            *words << QStringLiteral("--%1=%2").arg(key, value);
        }
    }
    return CliExit::Ok;
}

// The password: from the file (refused unless only its owner may read it) or
// the environment. An exit code.
int ReadPassword(const QString &path, QByteArray *password)
{
    if (path.isEmpty()) {
        *password = qgetenv("QM738_MQTT_PASSWORD");
        return CliExit::Ok;
    }
    struct stat info = {};
    QFile file(path);
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !file.open(QIODevice::ReadOnly)) {
        Fail(kCommand, QStringLiteral("cannot read the password file %1: %2").arg(path, SystemErrorText(errno)));
        return CliExit::File;
    }
    if ((info.st_mode & 077) != 0) {
        Fail(kCommand, QStringLiteral("the password file %1 may be read by others than its owner; "
                                      "chmod 600 it").arg(path));
        return CliExit::File;
    }
    *password = file.readLine();
    while (password->endsWith('\n') || password->endsWith('\r'))
        password->chop(1);
    return CliExit::Ok;
}

// Exit 5 unless `path` can be read, saying why.
int CheckReadable(const QString &what, const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return CliExit::Ok;
    }
    Fail(kCommand, QStringLiteral("cannot read %1 %2: %3").arg(what, path, SystemErrorText(errno)));
    return CliExit::File;
}

// The same client id for every connection of a name, so that a new
// connection takes the place of one the broker still believes alive. MQTT
// 3.1.1 brokers must take 23 bytes; a longer name is hashed.
QByteArray ClientId(const QString &name)
{
    QByteArray id = "qm738-" + TopicSlug(name).toUtf8();
    if (id.size() > 23)
        id = "qm738-" + QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(17);
    return id;
}

// Settings file words first, so that the command line wins: a port or usb
// named on the command line replaces the file's meter (they exclude each
// other, so the file's would otherwise clash).
QStringList MergeWords(const QStringList &fileWords, const QStringList &args)
{
    const auto names = [](const QString &word) { return word.section(QLatin1Char('='), 0, 0); };
    bool meterOnCommandLine = false;
    for (const QString &a : args)
        meterOnCommandLine |= names(a) == QLatin1String("--port") || names(a) == QLatin1String("-p")
                              || a == QLatin1String("--usb");
    QStringList merged;
    for (const QString &w : fileWords)
        if (!meterOnCommandLine || (names(w) != QLatin1String("--port") && w != QLatin1String("--usb")))
            merged << w;
    return merged + args;
}

} // namespace

int RunPublish(const QStringList &givenArgs)
{
    QStringList configs;
    for (int i = 0; i < givenArgs.size(); ++i) {
        if (givenArgs.at(i) == QLatin1String("--config") && i + 1 < givenArgs.size())
            configs << givenArgs.at(i + 1);
        else if (givenArgs.at(i).startsWith(QLatin1String("--config=")))
            configs << givenArgs.at(i).section(QLatin1Char('='), 1);
    }
    if (configs.size() > 1) {
        Fail(kCommand, QStringLiteral("--config is given %1 times; name one settings file").arg(configs.size()));
        return CliExit::Usage;
    }
    QStringList args = givenArgs;
    if (!configs.isEmpty()) {
        QStringList words;
        const int read = ConfigWords(configs.first(), &words);
        if (read != CliExit::Ok)
            return read;
        args = MergeWords(words, givenArgs);
    }

    QCommandLineParser parser;
    parser.addOptions({PortOption, UsbOption, BrokerOption, TopicOption, IntervalOption, NameOption, DiscoveryOption,
                       UsernameOption, PasswordFileOption, CaFileOption, InsecureOption, QosOption, MqttVersionOption,
                       SpoolSizeOption, RemoveDiscoveryOption, ConfigOption});
    const int parsed = Parse(parser, kCommand, kUsage, DefaultDiscoveryPrefix(args));
    if (parsed >= 0)
        return parsed;

    TMqttSettings mqtt;
    QString error;
    if (!parser.positionalArguments().isEmpty()) {
        Fail(kCommand, QStringLiteral("unexpected \"%1\"").arg(parser.positionalArguments().first()));
        return CliExit::Usage;
    }
    if (!parser.isSet(BrokerOption) || !ParseBrokerUrl(parser.value(BrokerOption), &mqtt, &error)) {
        Fail(kCommand, parser.isSet(BrokerOption) ? error : QStringLiteral("--broker mqtt[s]://HOST[:PORT] is needed"));
        return CliExit::Usage;
    }
    double interval = 0;
    if (!IntervalSeconds(kCommand, parser.value(IntervalOption), &interval))
        return CliExit::Usage;
    const QString qos = parser.value(QosOption);
    const QString version = parser.value(MqttVersionOption);
    if ((qos != QLatin1String("0") && qos != QLatin1String("1"))
        || (version != QLatin1String("3.1.1") && version != QLatin1String("5"))) {
        Fail(kCommand, QStringLiteral("--qos is 0 or 1, --mqtt-version 3.1.1 or 5"));
        return CliExit::Usage;
    }
    bool sizeOk = false;
    const int spoolMiB = parser.value(SpoolSizeOption).toInt(&sizeOk);
    if (!sizeOk || spoolMiB < 4 || spoolMiB > 1 << 20) {
        Fail(kCommand, QStringLiteral("--spool-size is a number of MiB, from 4 to 1048576"));
        return CliExit::Usage;
    }
    const bool removeDiscovery = parser.isSet(RemoveDiscoveryOption);
    if (removeDiscovery && !parser.isSet(NameOption)) {
        Fail(kCommand, QStringLiteral("--remove-discovery needs the --name whose configs it clears"));
        return CliExit::Usage;
    }
    // Every topic is checked before anything is published.
    const std::pair<const QCommandLineOption *, int> topicOptions[] = {{&TopicOption, kLongestTopicEnd},
                                                                       {&DiscoveryOption, 256}};
    for (const auto &[option, end] : topicOptions) {
        const QString problem = parser.isSet(*option) ? TopicProblem(parser.value(*option), end) : QString();
        if (!problem.isEmpty()) {
            Fail(kCommand, QStringLiteral("--%1 \"%2\" cannot be used: %3")
                               .arg(option->names().constLast(), parser.value(*option), problem));
            return CliExit::Usage;
        }
    }
    mqtt.protocol = version == QLatin1String("5") ? 5 : 4;
    mqtt.username = parser.value(UsernameOption);
    if (parser.isSet(PasswordFileOption) && mqtt.username.isEmpty()) {
        Fail(kCommand, QStringLiteral("--password-file goes with --username"));
        return CliExit::Usage;
    }
    if ((parser.isSet(CaFileOption) || parser.isSet(InsecureOption)) && !mqtt.tls) {
        Fail(kCommand, QStringLiteral("--cafile and --insecure are for an mqtts:// broker"));
        return CliExit::Usage;
    }
    mqtt.caFile = parser.value(CaFileOption);
    mqtt.insecure = parser.isSet(InsecureOption);
    if (!mqtt.caFile.isEmpty()) {
        const int readable = CheckReadable(QStringLiteral("the certificate authority file"), mqtt.caFile);
        if (readable != CliExit::Ok)
            return readable;
    }
    if (!mqtt.username.isEmpty()) {
        const int read = ReadPassword(parser.value(PasswordFileOption), &mqtt.password);
        if (read != CliExit::Ok)
            return read;
    }

    TMeterSession session;
    TPublisherSettings settings;
    QString name = parser.value(NameOption);
    if (!removeDiscovery) {
        const int connected = session.Connect(kCommand, parser);
        if (connected != CliExit::Ok)
            return connected;
        settings.meterIdentity = IdentityText(session.buffers.Reply);
        const QString link = session.port.isEmpty() ? QStringLiteral("usb") : session.port.section(QLatin1Char('/'), -1);
        if (name.isEmpty())
            name = TopicSlug(link + QLatin1Char('-') + settings.meterIdentity);
    }
    settings.topic = parser.isSet(TopicOption) ? parser.value(TopicOption) : QStringLiteral("qm738/") + TopicSlug(name);
    settings.qos = qos.toInt();
    settings.discoveryPrefix = parser.value(DiscoveryOption);
    settings.deviceId = QStringLiteral("qm738_") + TopicSlug(name);
    settings.deviceName = QStringLiteral("QM738 ") + name;
    settings.intervalMs = int(interval * 1000 + 0.5);
    mqtt.clientId = ClientId(name);
    mqtt.willTopic = AvailabilityTopic(settings.topic);
    mqtt.willPayload = QByteArrayLiteral("offline");
    // A will of an old connection comes at the latest 1.5 keep-alives after it went quiet.
    settings.availabilityAgainMs = qint64(mqtt.keepAliveS) * 1500 + 2000;
    if (!settings.discoveryPrefix.isEmpty())
        mqtt.subscriptions << (settings.discoveryPrefix + QStringLiteral("/status")).toUtf8();

    const QString broker = parser.value(BrokerOption);
    if (removeDiscovery) {
        // Empty retained messages take the configs (and the availability) off the broker.
        mqtt.willTopic.clear();
        mqtt.subscriptions.clear();
        TMqttClient client(mqtt);
        QList<QByteArray> topics{AvailabilityTopic(settings.topic)};
        if (!settings.discoveryPrefix.isEmpty())
            for (const auto &config : DiscoveryConfigs(settings, 1))
                topics << config.first;
        std::vector<int> waiting;
        bool published = false; // every empty message handed to the connection
        client.OnConnected = [&] {
            waiting.clear();
            published = true;
            for (const QByteArray &topic : topics) {
                const int mid = client.Publish(topic, QByteArray(), 1, true);
                published &= mid >= 0;
                waiting.push_back(mid);
            }
        };
        client.OnDelivered = [&](int mid, int) { waiting.erase(std::remove(waiting.begin(), waiting.end(), mid), waiting.end()); };
        client.OnLost = [&](const QString &why) {
            published = false; // all again on the next connection
            if (!client.Failed())
                Fail(kCommand, QStringLiteral("%1; trying again in %2 s").arg(why).arg(client.RetryDelayMs() / 1000));
        };
        while (!CliStopRequested && !client.Failed() && !(published && waiting.empty()))
            client.Run(100);
        client.Disconnect();
        if (client.Failed()) {
            Fail(kCommand, client.FailureText());
            return CliExit::Network;
        }
        if (CliStopRequested)
            return CliExit::Interrupted;
        Fail(kCommand, QStringLiteral("cleared %1 retained topics of %2 on %3").arg(topics.size()).arg(name, broker));
        return CliExit::Ok;
    }

    TSpool spool;
    const QString spoolFolder = TSpool::StateFolder() + QStringLiteral("/spool/") + TopicSlug(name);
    if (!spool.Open(spoolFolder, qint64(spoolMiB) << 20, std::min(1000, settings.intervalMs), &error)) {
        Fail(kCommand, error);
        return CliExit::File;
    }
    if (spool.CutBytes() > 0)
        Fail(kCommand, QStringLiteral("the spool %1 had a damaged end: %2 bytes cut").arg(spoolFolder).arg(spool.CutBytes()));
    if (spool.Pending() > 0)
        Fail(kCommand, QStringLiteral("%1 readings of an earlier run wait in the spool; they go to %2/history")
                           .arg(spool.Pending())
                           .arg(settings.topic));

    TMqttClient client(mqtt);
    TPublisher publisher(settings, client, spool);

    QString lastProblem;
    client.OnConnected = [&] {
        Fail(kCommand, QStringLiteral("connected to %1, publishing on %2/state").arg(broker, settings.topic));
        lastProblem.clear();
        publisher.Connected();
    };
    client.OnLost = [&](const QString &why) {
        publisher.ConnectionLost();
        if (client.Failed() || why == lastProblem)
            return;
        lastProblem = why;
        Fail(kCommand, QStringLiteral("%1; trying again in %2 s, holding %3 readings")
                           .arg(why)
                           .arg(client.RetryDelayMs() / 1000)
                           .arg(publisher.Queued()));
    };
    client.OnDelivered = [&](int mid, int reason) { publisher.Delivered(mid, reason); };
    client.OnMessage = [&](const QByteArray &topic, const QByteArray &payload) {
        publisher.MessageReceived(topic, payload);
    };

    const qint64 step = settings.intervalMs;
    QElapsedTimer clock;
    clock.start();
    qint64 nextTick = 0;
    qint64 nextReading = 0;
    quint64 dropsReported = 0;
    bool answering = true;
    int exitCode = CliExit::Interrupted;
    publisher.SetMeterAnswering(true);
    // systemd: ready once the meter answers and the spool is open; the
    // watchdog hears from every turn of the loop, so a hung tool is restarted.
    sd_notify(0, "READY=1");
    uint64_t watchdogUs = 0;
    const bool watchdog = sd_watchdog_enabled(0, &watchdogUs) > 0;
    while (!CliStopRequested) {
        if (watchdog)
            sd_notify(0, "WATCHDOG=1");
        session.Tick();
        if (session.state.Connected != answering) {
            answering = session.state.Connected;
            Fail(kCommand, answering ? QStringLiteral("the meter answers again")
                                     : QStringLiteral("the meter stopped answering; reading again when it answers"));
            publisher.SetMeterAnswering(answering);
        }
        const qint64 now = clock.elapsed();
        if (session.fresh && now >= nextReading) {
            QString spoolProblem;
            if (!publisher.AddReading(session.reading, QDateTime::currentDateTime(), &spoolProblem) && !spoolProblem.isEmpty())
                Fail(kCommand, spoolProblem);
            // A steady cadence; after a stall (a meter that stopped answering)
            // the cadence starts again from this reading, never in a burst.
            nextReading = now - nextReading < step ? nextReading + step : now + step;
        }
        // The first reading dropped, then every 1800 more (an hour at 2 s).
        if (spool.Dropped() != dropsReported && (dropsReported == 0 || spool.Dropped() - dropsReported >= 1800)) {
            dropsReported = spool.Dropped();
            Fail(kCommand, QStringLiteral("the spool of %1 MiB is full: %2 of the oldest readings dropped so far")
                               .arg(spoolMiB)
                               .arg(dropsReported));
        }
        nextTick += kTickMs;
        if (clock.elapsed() > nextTick + kTickMs)
            nextTick = clock.elapsed(); // a slow exchange does not make a burst of ticks
        do {
            client.Run(int(std::clamp<qint64>(nextTick - clock.elapsed(), 0, 100)));
            publisher.Pump();
            spool.SyncIfDue();
            QByteArray refusedTopic;
            int reason = 0;
            if (publisher.TakeRefusal(&refusedTopic, &reason)) {
                Fail(kCommand, QStringLiteral("the broker refused the message on %1: %2; it stays in the spool")
                                   .arg(QString::fromUtf8(refusedTopic), ReasonText(reason)));
                if (reason == MqttNotAuthorized) {
                    exitCode = CliExit::Network;
                    CliStopRequested = true;
                } else {
                    client.Reconnect();
                }
            }
            if (client.Failed()) {
                Fail(kCommand, client.FailureText());
                return CliExit::Network;
            }
        } while (!CliStopRequested && clock.elapsed() < nextTick);
    }

    // A clean stop: what is queued if the broker takes it soon, then offline.
    sd_notify(0, "STOPPING=1");
    QElapsedTimer stopping;
    stopping.start();
    while (exitCode != CliExit::Network && client.IsConnected() && publisher.Queued() > 0 && stopping.elapsed() < 2000) {
        client.Run(50);
        publisher.Pump();
    }
    publisher.PublishOffline();
    while (client.IsConnected() && publisher.ControlsInFlight() && stopping.elapsed() < 3000)
        client.Run(50);
    client.Disconnect();
    spool.Flush();
    if (publisher.Queued() > 0)
        Fail(kCommand, QStringLiteral("%1 readings wait in the spool %2 for the next start")
                           .arg(publisher.Queued())
                           .arg(spoolFolder));
    return exitCode;
}
