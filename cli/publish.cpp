// qm738-cli publish: live readings to an MQTT broker, unattended.

#include "cli/commands.h"
#include "cli/session.h"

#include "core/net/mqttclient.h"
#include "core/net/publisher.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <sys/stat.h>

namespace {

const char kCommand[] = "publish";
constexpr qint64 kTickMs = 500;
// Readings kept while the broker is away: a day at the interval, at least a day at 2 s.
constexpr qsizetype kDayAtTwoSeconds = 43200;

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
const QCommandLineOption ConfigOption(QStringLiteral("config"),
                                      QStringLiteral("Settings file: \"option = value\" lines with the long option "
                                                     "names; the command line wins."),
                                      QStringLiteral("file"));

const QString kUsage = QStringLiteral(
    "qm738-cli publish [--port P | --usb] --broker mqtt[s]://HOST[:PORT] [--topic PREFIX] [--interval S] "
    "[--name NAME] [--discovery [PREFIX]] [--username U --password-file FILE] [--cafile FILE] [--insecure] "
    "[--qos 0|1] [--mqtt-version 3.1.1|5] [--config FILE]\n"
    "Publishes every reading as JSON on PREFIX/state (the text of read --format json) and the meter's "
    "availability (online/offline, retained, offline also as the last will) on PREFIX/availability; with "
    "--discovery one Home Assistant config per channel. Readings taken while the broker is away wait in "
    "memory (a day's worth, the oldest dropped first) and go out in order when it is back. A broker that "
    "cannot be reached is tried again after 1 s, doubling up to 60 s, for ever. Until the first connection, "
    "credentials the broker refuses, a certificate that does not verify and an unknown host end the command "
    "with exit code 6. SIGTERM or Ctrl-C publishes offline and disconnects.");

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

// The words of a settings file: "name = value" lines become "--name=value",
// "name" alone (or "= yes") a switch; '#' starts a comment. An exit code.
int ConfigWords(const QString &path, QStringList *words)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(kCommand, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return CliExit::File;
    }
    const QStringList switches{QStringLiteral("usb"), QStringLiteral("insecure"), QStringLiteral("discovery")};
    const QStringList valued{QStringLiteral("port"),     QStringLiteral("broker"),        QStringLiteral("topic"),
                             QStringLiteral("interval"), QStringLiteral("name"),          QStringLiteral("discovery"),
                             QStringLiteral("username"), QStringLiteral("password-file"), QStringLiteral("cafile"),
                             QStringLiteral("qos"),      QStringLiteral("mqtt-version")};
    int lineNo = 0;
    while (!file.atEnd()) {
        ++lineNo;
        const QString line = QString::fromUtf8(file.readLine()).section(QLatin1Char('#'), 0, 0).trimmed();
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
        Fail(kCommand, QStringLiteral("cannot read the password file %1").arg(path));
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

} // namespace

int RunPublish(const QStringList &givenArgs)
{
    QStringList args = givenArgs;
    for (int i = 0; i < givenArgs.size(); ++i) {
        QString config;
        if (givenArgs.at(i) == QLatin1String("--config") && i + 1 < givenArgs.size())
            config = givenArgs.at(i + 1);
        else if (givenArgs.at(i).startsWith(QLatin1String("--config=")))
            config = givenArgs.at(i).section(QLatin1Char('='), 1);
        if (config.isEmpty())
            continue;
        QStringList words;
        const int read = ConfigWords(config, &words);
        if (read != CliExit::Ok)
            return read;
        args = words + args;
        break;
    }

    QCommandLineParser parser;
    parser.addOptions({PortOption, UsbOption, BrokerOption, TopicOption, IntervalOption, NameOption, DiscoveryOption,
                       UsernameOption, PasswordFileOption, CaFileOption, InsecureOption, QosOption, MqttVersionOption,
                       ConfigOption});
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
    if (!mqtt.username.isEmpty()) {
        const int read = ReadPassword(parser.value(PasswordFileOption), &mqtt.password);
        if (read != CliExit::Ok)
            return read;
    }

    TMeterSession session;
    const int connected = session.Connect(kCommand, parser);
    if (connected != CliExit::Ok)
        return connected;

    TPublisherSettings settings;
    settings.model = IdentityText(session.buffers.Reply);
    const QString link = session.port.isEmpty() ? QStringLiteral("usb") : session.port.section(QLatin1Char('/'), -1);
    const QString name = parser.isSet(NameOption) ? parser.value(NameOption)
                                                  : TopicSlug(link + QLatin1Char('-') + settings.model);
    settings.topic = parser.isSet(TopicOption) ? parser.value(TopicOption) : QStringLiteral("qm738/") + TopicSlug(name);
    settings.qos = qos.toInt();
    settings.discoveryPrefix = parser.value(DiscoveryOption);
    settings.deviceId = QStringLiteral("qm738_") + TopicSlug(name);
    settings.deviceName = QStringLiteral("QM738 ") + name;
    settings.capacity = std::max(kDayAtTwoSeconds, qsizetype(86400 / interval + 0.5));
    mqtt.willTopic = AvailabilityTopic(settings.topic);
    mqtt.willPayload = QByteArrayLiteral("offline");

    TMqttClient client(mqtt);
    TPublisher publisher(settings, client);

    const QString broker = parser.value(BrokerOption);
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
    client.OnDelivered = [&](int mid) { publisher.Delivered(mid); };

    const qint64 step = qint64(interval * 1000 + 0.5);
    QElapsedTimer clock;
    clock.start();
    qint64 nextTick = 0;
    qint64 nextReading = 0;
    quint64 dropsReported = 0;
    bool answering = true;
    publisher.SetMeterAnswering(true);
    while (!CliStopRequested) {
        session.Tick();
        if (session.state.Connected != answering) {
            answering = session.state.Connected;
            Fail(kCommand, answering ? QStringLiteral("the meter answers again")
                                     : QStringLiteral("the meter stopped answering; reading again when it answers"));
            publisher.SetMeterAnswering(answering);
        }
        if (session.fresh && clock.elapsed() >= nextReading) {
            publisher.AddReading(session.reading, QDateTime::currentDateTime());
            // A steady cadence; after a stall the next reading comes one step later, not in a burst.
            nextReading = std::max(nextReading + step, clock.elapsed() - step / 2);
        }
        // The first reading dropped, then every 1800 more (an hour at 2 s).
        if (publisher.Dropped() != dropsReported && (dropsReported == 0 || publisher.Dropped() - dropsReported >= 1800)) {
            dropsReported = publisher.Dropped();
            Fail(kCommand, QStringLiteral("the queue of %1 readings is full: %2 of the oldest dropped so far")
                               .arg(settings.capacity)
                               .arg(dropsReported));
        }
        nextTick += kTickMs;
        if (clock.elapsed() > nextTick + kTickMs)
            nextTick = clock.elapsed(); // a slow exchange does not make a burst of ticks
        do {
            client.Run(int(std::clamp<qint64>(nextTick - clock.elapsed(), 0, 100)));
            publisher.Pump();
            if (client.Failed()) {
                Fail(kCommand, client.FailureText());
                return CliExit::Network;
            }
        } while (!CliStopRequested && clock.elapsed() < nextTick);
    }

    // A clean stop: what is queued if the broker takes it soon, then offline.
    QElapsedTimer stopping;
    stopping.start();
    while (client.IsConnected() && publisher.Queued() > 0 && stopping.elapsed() < 2000)
        client.Run(50);
    publisher.PublishOffline();
    while (client.IsConnected() && !publisher.Idle() && stopping.elapsed() < 3000)
        client.Run(50);
    client.Disconnect();
    if (publisher.Queued() > 0)
        Fail(kCommand, QStringLiteral("%1 readings were not delivered").arg(publisher.Queued()));
    return CliExit::Interrupted;
}
