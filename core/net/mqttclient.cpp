#include "core/net/mqttclient.h"

#include "core/base/systemerror.h"

#include <QElapsedTimer>
#include <QUrl>

#include <mosquitto.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>
#include <thread>

namespace {

constexpr qint64 kFirstDelayMs = 1000;
constexpr qint64 kLongestDelayMs = 60000;
// An attempt that has no answer from the broker by then is given up.
constexpr qint64 kAttemptLimitMs = 20000;

void InitLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

// Refusals in the broker's CONNACK that no retry can mend.
bool FinalRefusal(int protocol, int rc)
{
    if (protocol == MQTT_PROTOCOL_V5) {
        // unsupported protocol version, client id not valid, bad user name or
        // password, not authorised, banned, bad authentication method
        static const int codes[] = {132, 133, 134, 135, 138, 140};
        return std::find(std::begin(codes), std::end(codes), rc) != std::end(codes);
    }
    return rc == 1 || rc == 2 || rc == 4 || rc == 5; // all but 3, the server unavailable
}

// The library's sentence for a code, without its full stop: it goes inside ours.
QString LibraryText(const char *text)
{
    QString t = QString::fromUtf8(text);
    while (t.endsWith(QLatin1Char('.')))
        t.chop(1);
    return t;
}

// QM738_NAMESERVER on this thread's resolver (set again before each attempt:
// res_init() reads resolv.conf afresh).
void ApplyNameserver()
{
    const QByteArray setting = qgetenv("QM738_NAMESERVER");
    if (setting.isEmpty())
        return;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(setting.contains(':') ? setting.mid(setting.indexOf(':') + 1).toInt() : 53));
    if (inet_pton(AF_INET, setting.left(setting.indexOf(':')).constData(), &address.sin_addr) != 1)
        return;
    res_init();
    _res.nscount = 1;
    _res.nsaddr_list[0] = address;
}

struct TEvent {
    enum TKind { Connected, Lost, Delivered, Message } kind;
    explicit TEvent(TKind k) : kind(k) {}
    quint64 generation = 0;
    int mid = 0;
    int reason = 0;
    QString text;
    bool final = false;
    qint64 delayMs = 0;
    QByteArray topic;
    QByteArray payload;
};

} // namespace

struct TMqttClient::TShared {
    explicit TShared(const TMqttSettings &settings) : s(settings) {}
    const TMqttSettings s;

    // The handle a caller may publish on, and what the caller asks of the thread.
    std::mutex handleMutex;
    mosquitto *live = nullptr;
    quint64 liveGeneration = 0;
    bool stop = false;
    bool disconnect = false;
    bool reconnect = false;
    bool finished = false;
    std::condition_variable wake; // the thread's back-off sleep, with handleMutex
    std::condition_variable done; // finished, with handleMutex

    // What the thread reports; the callbacks of libmosquitto add to it.
    std::mutex eventMutex;
    std::condition_variable eventReady;
    std::deque<TEvent> events;

    // The thread's own.
    mosquitto *mosq = nullptr;
    quint64 generation = 0;
    bool connected = false;
    bool everConnected = false;
    int connack = -1;
    bool disconnected = false;
    int disconnectRc = 0;
    QString lastTlsError;
    int attempts = 0;
    qint64 delayMs = kFirstDelayMs;

    void Post(TEvent event)
    {
        {
            std::lock_guard<std::mutex> lock(eventMutex);
            events.push_back(std::move(event));
        }
        eventReady.notify_all();
    }

    QString Where() const { return QStringLiteral("%1:%2").arg(s.host).arg(s.port); }

    bool Attempt();
    void Drop(const QString &why, bool finalBeforeFirstConnection);
    bool Loop();
    void Main();
};

bool TMqttClient::TShared::Attempt()
{
    ++attempts;
    connack = -1;
    disconnected = false;
    lastTlsError.clear();
    mosq = mosquitto_new(s.clientId.isEmpty() ? nullptr : s.clientId.constData(), true, this);
    if (!mosq) {
        Drop(QStringLiteral("cannot make an MQTT client: %1").arg(SystemErrorText(errno)), false);
        return false;
    }
    mosquitto_threaded_set(mosq, true);
    mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, s.protocol);
    mosquitto_connect_callback_set(mosq, [](mosquitto *, void *self, int rc) {
        static_cast<TShared *>(self)->connack = rc;
    });
    mosquitto_disconnect_callback_set(mosq, [](mosquitto *, void *self, int rc) {
        auto *shared = static_cast<TShared *>(self);
        shared->disconnected = true;
        shared->disconnectRc = rc;
    });
    mosquitto_publish_v5_callback_set(mosq, [](mosquitto *, void *self, int mid, int reason, const mosquitto_property *) {
        auto *shared = static_cast<TShared *>(self);
        TEvent e(TEvent::Delivered);
        e.generation = shared->generation;
        e.mid = mid;
        e.reason = reason;
        shared->Post(std::move(e));
    });
    mosquitto_message_callback_set(mosq, [](mosquitto *, void *self, const mosquitto_message *m) {
        TEvent e(TEvent::Message);
        e.topic = QByteArray(m->topic);
        e.payload = QByteArray(static_cast<const char *>(m->payload), m->payloadlen);
        static_cast<TShared *>(self)->Post(std::move(e));
    });
    mosquitto_log_callback_set(mosq, [](mosquitto *, void *self, int level, const char *text) {
        // "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"
        auto *shared = static_cast<TShared *>(self);
        const QString line = QString::fromUtf8(text);
        if (level == MOSQ_LOG_ERR && shared->lastTlsError.isEmpty() && line.startsWith(QLatin1String("OpenSSL Error")))
            shared->lastTlsError = line.section(QLatin1Char(':'), -1).trimmed();
    });
    if (!s.willTopic.isEmpty())
        mosquitto_will_set(mosq, s.willTopic.constData(), int(s.willPayload.size()), s.willPayload.constData(), 1, true);
    if (!s.username.isEmpty())
        mosquitto_username_pw_set(mosq, s.username.toUtf8().constData(),
                                  s.password.isEmpty() ? nullptr : s.password.constData());
    if (s.tls) {
        if (!s.caFile.isEmpty()) {
            const QByteArray ca = s.caFile.toLocal8Bit();
            if (mosquitto_tls_set(mosq, ca.constData(), nullptr, nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS) {
                Drop(QStringLiteral("cannot use the certificate authority file %1").arg(s.caFile), true);
                return false;
            }
        } else {
            mosquitto_int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        }
        mosquitto_tls_opts_set(mosq, s.insecure ? 0 : 1, nullptr, nullptr);
        mosquitto_tls_insecure_set(mosq, s.insecure);
    }
    ApplyNameserver();
    // Blocking: resolves the name, then tries each address in turn until one
    // takes the connection. Only this thread waits.
    const int rc = mosquitto_connect(mosq, s.host.toUtf8().constData(), s.port, s.keepAliveS);
    const int error = errno;
    if (rc == MOSQ_ERR_SUCCESS)
        return true;
    if (rc == MOSQ_ERR_EAI)
        Drop(QStringLiteral("cannot resolve %1: %2").arg(s.host, ResolverErrorText(error)),
             error == EAI_NONAME || error == EAI_FAIL || error == EAI_NODATA);
    else if (rc == MOSQ_ERR_TLS)
        Drop(QStringLiteral("TLS with %1 failed: %2").arg(Where(), lastTlsError),
             lastTlsError.contains(QLatin1String("verify failed")));
    else if (rc == MOSQ_ERR_ERRNO)
        Drop(QStringLiteral("cannot reach %1: %2").arg(Where(), SystemErrorText(error)), false);
    else
        Drop(QStringLiteral("cannot connect to %1: %2").arg(Where(), LibraryText(mosquitto_strerror(rc))),
             rc == MOSQ_ERR_INVAL);
    return false;
}

void TMqttClient::TShared::Drop(const QString &why, bool finalBeforeFirstConnection)
{
    {
        std::lock_guard<std::mutex> lock(handleMutex);
        live = nullptr; // no caller publishes on it from now on
    }
    if (mosq) {
        mosquitto_destroy(mosq);
        mosq = nullptr;
    }
    TEvent e(TEvent::Lost);
    e.text = why;
    e.final = finalBeforeFirstConnection && !everConnected;
    if (connected)
        delayMs = kFirstDelayMs;
    else if (attempts > 1)
        delayMs = std::min(delayMs * 2, kLongestDelayMs);
    connected = false;
    e.delayMs = delayMs;
    const bool final = e.final;
    Post(std::move(e));
    if (final) {
        std::lock_guard<std::mutex> lock(handleMutex);
        stop = true;
    }
}

// One turn of the network loop on a connection (or an attempt). False when
// the connection ended.
bool TMqttClient::TShared::Loop()
{
    QElapsedTimer sinceAttempt;
    sinceAttempt.start();
    while (mosq) {
        bool wantDisconnect = false;
        bool wantReconnect = false;
        {
            std::lock_guard<std::mutex> lock(handleMutex);
            wantDisconnect = stop || disconnect;
            wantReconnect = reconnect;
            reconnect = false;
        }
        if (wantDisconnect) {
            if (connected) {
                mosquitto_disconnect(mosq);
                for (int i = 0; i < 20 && !disconnected; ++i)
                    mosquitto_loop(mosq, 50, 1);
            }
            {
                std::lock_guard<std::mutex> lock(handleMutex);
                live = nullptr;
            }
            mosquitto_destroy(mosq);
            mosq = nullptr;
            connected = false;
            return false;
        }
        if (wantReconnect && connected) {
            Drop(QStringLiteral("connection with %1 dropped to start again").arg(Where()), false);
            return false;
        }
        const int rc = mosquitto_loop(mosq, 100, 1);
        const int error = errno;
        if (connack >= 0 && !connected) {
            const int code = connack;
            connack = -1;
            if (code != 0) {
                const char *text = s.protocol == MQTT_PROTOCOL_V5 ? mosquitto_reason_string(code)
                                                                 : mosquitto_connack_string(code);
                Drop(QStringLiteral("the broker %1 refused the connection: %2").arg(Where(), LibraryText(text)),
                     FinalRefusal(s.protocol, code));
                return false;
            }
            for (const QByteArray &topic : s.subscriptions)
                mosquitto_subscribe(mosq, nullptr, topic.constData(), 0);
            connected = true;
            everConnected = true;
            delayMs = kFirstDelayMs;
            {
                std::lock_guard<std::mutex> lock(handleMutex);
                ++generation;
                live = mosq;
                liveGeneration = generation;
            }
            TEvent e(TEvent::Connected);
            e.generation = generation;
            Post(std::move(e));
        }
        const bool verifyFailed = lastTlsError.contains(QLatin1String("verify failed"));
        if (rc == MOSQ_ERR_TLS || (rc != MOSQ_ERR_SUCCESS && verifyFailed))
            Drop(QStringLiteral("TLS with %1 failed: %2").arg(Where(), lastTlsError), verifyFailed);
        else if (rc == MOSQ_ERR_ERRNO)
            Drop(QStringLiteral("connection with %1 failed: %2").arg(Where(), SystemErrorText(error)), false);
        else if (rc != MOSQ_ERR_SUCCESS)
            Drop(QStringLiteral("connection with %1 ended: %2").arg(Where(), LibraryText(mosquitto_strerror(rc))),
                 false);
        else if (disconnected)
            Drop(QStringLiteral("connection with %1 ended: %2").arg(Where(), LibraryText(mosquitto_strerror(disconnectRc))),
                 false);
        else if (!connected && sinceAttempt.elapsed() > kAttemptLimitMs)
            Drop(QStringLiteral("no answer from %1 within %2 s").arg(Where()).arg(kAttemptLimitMs / 1000), false);
    }
    return false;
}

void TMqttClient::TShared::Main()
{
    InitLibraryOnce();
    QElapsedTimer sinceDrop;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(handleMutex);
            if (sinceDrop.isValid())
                wake.wait_for(lock, std::chrono::milliseconds(std::max<qint64>(0, delayMs - sinceDrop.elapsed())),
                              [&] { return stop || disconnect; });
            if (stop || disconnect)
                break;
            reconnect = false;
        }
        if (Attempt())
            Loop();
        sinceDrop.start();
    }
    std::lock_guard<std::mutex> lock(handleMutex);
    finished = true;
    done.notify_all();
}

bool ParseBrokerUrl(const QString &text, TMqttSettings *settings, QString *error)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts")) || url.host().isEmpty()
        || !url.path().isEmpty() || !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment()) {
        *error = QStringLiteral("the broker is mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not \"%1\"").arg(text);
        return false;
    }
    settings->tls = scheme == QLatin1String("mqtts");
    settings->host = url.host();
    settings->port = url.port(settings->tls ? 8883 : 1883);
    return true;
}

QString TopicProblem(const QString &topic, int suffixBytes)
{
    if (topic.isEmpty())
        return QStringLiteral("it is empty");
    if (topic.contains(QLatin1Char('+')) || topic.contains(QLatin1Char('#')))
        return QStringLiteral("'+' and '#' are wildcards of subscriptions, not characters of a topic");
    if (topic.contains(QChar(0)))
        return QStringLiteral("it holds a NUL character");
    if (topic.split(QLatin1Char('/')).contains(QString()))
        return QStringLiteral("it has an empty level (a '/' at an end or \"//\")");
    if (topic.toUtf8().size() + suffixBytes > 65535)
        return QStringLiteral("it is longer than MQTT allows (65535 bytes with the topic's end)");
    return QString();
}

QString ReasonText(int reason)
{
    return QStringLiteral("%1 (0x%2)").arg(LibraryText(mosquitto_reason_string(reason))).arg(reason, 2, 16, QLatin1Char('0'));
}

TMqttClient::TMqttClient(const TMqttSettings &settings) : m_shared(std::make_shared<TShared>(settings))
{
    InitLibraryOnce();
}

TMqttClient::~TMqttClient()
{
    if (!m_started)
        return;
    std::unique_lock<std::mutex> lock(m_shared->handleMutex);
    m_shared->stop = true;
    m_shared->wake.notify_all();
    // A thread inside the resolver or a connect cannot be woken: it ends on
    // its own, holding its share of the state, and reports to nobody.
    m_shared->done.wait_for(lock, std::chrono::seconds(2), [&] { return m_shared->finished; });
}

void TMqttClient::Run(int timeoutMs)
{
    if (!m_started) {
        m_started = true;
        std::thread([shared = m_shared] { shared->Main(); }).detach();
    }
    std::deque<TEvent> events;
    {
        std::unique_lock<std::mutex> lock(m_shared->eventMutex);
        m_shared->eventReady.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                                      [&] { return !m_shared->events.empty(); });
        events.swap(m_shared->events);
    }
    for (TEvent &e : events) {
        switch (e.kind) {
        case TEvent::Connected:
            m_connected = true;
            m_generation = e.generation;
            if (OnConnected)
                OnConnected();
            break;
        case TEvent::Lost:
            m_connected = false;
            m_retryDelayMs = e.delayMs;
            if (e.final) {
                m_failed = true;
                m_failure = e.text;
            }
            if (OnLost)
                OnLost(e.text);
            break;
        case TEvent::Delivered:
            if (m_connected && e.generation == m_generation && OnDelivered)
                OnDelivered(e.mid, e.reason);
            break;
        case TEvent::Message:
            if (OnMessage)
                OnMessage(e.topic, e.payload);
            break;
        }
    }
}

void TMqttClient::Reconnect()
{
    std::lock_guard<std::mutex> lock(m_shared->handleMutex);
    m_shared->reconnect = true;
}

void TMqttClient::Disconnect()
{
    if (!m_started)
        return;
    std::unique_lock<std::mutex> lock(m_shared->handleMutex);
    m_shared->disconnect = true;
    m_shared->wake.notify_all();
    m_shared->done.wait_for(lock, std::chrono::seconds(3), [&] { return m_shared->finished; });
    m_connected = false;
}

int TMqttClient::Publish(const QByteArray &topic, const QByteArray &payload, int qos, bool retain)
{
    std::lock_guard<std::mutex> lock(m_shared->handleMutex);
    if (!m_connected || !m_shared->live || m_shared->liveGeneration != m_generation)
        return -1;
    int mid = -1;
    const int rc =
        mosquitto_publish(m_shared->live, &mid, topic.constData(), int(payload.size()), payload.constData(), qos, retain);
    return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}
