#include "core/net/mqttclient.h"

#include <QUrl>

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>

namespace {

constexpr qint64 kFirstDelayMs = 1000;
constexpr qint64 kLongestDelayMs = 60000;
// An attempt that has no answer from the broker by then is given up.
constexpr qint64 kAttemptLimitMs = 20000;

void InitLibraryOnce()
{
    static const bool done = [] {
        mosquitto_lib_init();
        return true;
    }();
    (void)done;
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

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The library's sentence for a code, without its full stop: it goes inside ours.
QString LibraryText(const char *text)
{
    QString t = QString::fromUtf8(text);
    while (t.endsWith(QLatin1Char('.')))
        t.chop(1);
    return t;
}

} // namespace

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

TMqttClient::TMqttClient(const TMqttSettings &settings) : m_s(settings)
{
    InitLibraryOnce();
}

TMqttClient::~TMqttClient()
{
    if (m_mosq)
        mosquitto_destroy(m_mosq);
}

void TMqttClient::StartAttempt()
{
    ++m_attempts;
    m_connack = -1;
    m_disconnected = false;
    m_delivered.clear();
    m_lastTlsError.clear();
    // A clean session under an id the library makes: nothing of an earlier
    // session is resumed, and two publishers never push each other off.
    m_mosq = mosquitto_new(nullptr, true, this);
    if (!m_mosq) {
        Drop(QStringLiteral("cannot make an MQTT client: %1").arg(ErrnoText(errno)), false);
        return;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, m_s.protocol);
    mosquitto_connect_callback_set(m_mosq, OnConnectCb);
    mosquitto_disconnect_callback_set(m_mosq, OnDisconnectCb);
    mosquitto_publish_callback_set(m_mosq, OnPublishCb);
    mosquitto_log_callback_set(m_mosq, OnLogCb);
    if (!m_s.willTopic.isEmpty())
        mosquitto_will_set(m_mosq, m_s.willTopic.constData(), int(m_s.willPayload.size()), m_s.willPayload.constData(), 1,
                           true);
    if (!m_s.username.isEmpty())
        mosquitto_username_pw_set(m_mosq, m_s.username.toUtf8().constData(),
                                  m_s.password.isEmpty() ? nullptr : m_s.password.constData());
    if (m_s.tls) {
        if (!m_s.caFile.isEmpty()) {
            const QByteArray ca = m_s.caFile.toLocal8Bit();
            if (mosquitto_tls_set(m_mosq, ca.constData(), nullptr, nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS) {
                Drop(QStringLiteral("cannot use the certificate authority file %1").arg(m_s.caFile), true);
                return;
            }
        } else {
            mosquitto_int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        }
        mosquitto_tls_opts_set(m_mosq, m_s.insecure ? 0 : 1, nullptr, nullptr);
        mosquitto_tls_insecure_set(m_mosq, m_s.insecure);
    }
    m_sinceAttempt.start();
    const int rc = mosquitto_connect_async(m_mosq, m_s.host.toUtf8().constData(), m_s.port, m_s.keepAliveS);
    const int error = errno;
    if (rc == MOSQ_ERR_SUCCESS)
        return;
    const QString where = QStringLiteral("%1:%2").arg(m_s.host).arg(m_s.port);
    if (rc == MOSQ_ERR_EAI)
        Drop(QStringLiteral("unknown host %1: %2").arg(m_s.host, QString::fromLocal8Bit(gai_strerror(error))),
             error != EAI_AGAIN);
    else if (rc == MOSQ_ERR_TLS)
        Drop(QStringLiteral("TLS with %1 failed: %2").arg(where, m_lastTlsError), true);
    else if (rc == MOSQ_ERR_ERRNO)
        Drop(QStringLiteral("cannot reach %1: %2").arg(where, ErrnoText(error)), false);
    else
        Drop(QStringLiteral("cannot connect to %1: %2").arg(where, LibraryText(mosquitto_strerror(rc))),
             rc == MOSQ_ERR_INVAL);
}

void TMqttClient::Drop(const QString &why, bool finalBeforeFirstConnection)
{
    if (m_mosq) {
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
    }
    const bool wasConnected = m_connected;
    m_connected = false;
    if (finalBeforeFirstConnection && !m_everConnected) {
        m_failed = true;
        m_failure = why;
    } else {
        if (wasConnected)
            m_delayMs = kFirstDelayMs;
        else if (m_attempts > 1)
            m_delayMs = std::min(m_delayMs * 2, kLongestDelayMs);
        m_sinceDrop.start();
    }
    if (OnLost)
        OnLost(why);
}

void TMqttClient::Run(int timeoutMs)
{
    if (!m_mosq && !m_failed && (!m_sinceDrop.isValid() || m_sinceDrop.elapsed() >= m_delayMs))
        StartAttempt();
    if (!m_mosq) {
        qint64 wait = timeoutMs;
        if (!m_failed)
            wait = std::min(wait, std::max<qint64>(0, m_delayMs - m_sinceDrop.elapsed()));
        ::poll(nullptr, 0, int(wait)); // a signal ends the wait early
        return;
    }
    const int rc = mosquitto_loop(m_mosq, timeoutMs, 1);
    const int error = errno;
    Dispatch();
    if (!m_mosq)
        return;
    const QString where = QStringLiteral("%1:%2").arg(m_s.host).arg(m_s.port);
    if (rc == MOSQ_ERR_TLS)
        Drop(QStringLiteral("TLS with %1 failed: %2").arg(where, m_lastTlsError), true);
    else if (rc == MOSQ_ERR_ERRNO)
        Drop(QStringLiteral("connection with %1 failed: %2").arg(where, ErrnoText(error)), false);
    else if (rc != MOSQ_ERR_SUCCESS)
        Drop(QStringLiteral("connection with %1 ended: %2").arg(where, LibraryText(mosquitto_strerror(rc))), false);
    else if (m_disconnected)
        Drop(QStringLiteral("connection with %1 ended: %2")
                 .arg(where, LibraryText(mosquitto_strerror(m_disconnectRc))),
             false);
    else if (!m_connected && m_sinceAttempt.elapsed() > kAttemptLimitMs)
        Drop(QStringLiteral("no answer from %1 within %2 s").arg(where).arg(kAttemptLimitMs / 1000), false);
}

void TMqttClient::Dispatch()
{
    if (m_connack >= 0 && !m_connected) {
        const int rc = m_connack;
        m_connack = -1;
        if (rc != 0) {
            const char *text = m_s.protocol == MQTT_PROTOCOL_V5 ? mosquitto_reason_string(rc) : mosquitto_connack_string(rc);
            Drop(QStringLiteral("the broker %1:%2 refused the connection: %3")
                     .arg(m_s.host)
                     .arg(m_s.port)
                     .arg(LibraryText(text)),
                 FinalRefusal(m_s.protocol, rc));
            return;
        }
        m_connected = true;
        m_everConnected = true;
        m_delayMs = kFirstDelayMs;
        if (OnConnected)
            OnConnected();
    }
    std::vector<int> delivered;
    delivered.swap(m_delivered);
    for (int mid : delivered)
        if (OnDelivered)
            OnDelivered(mid);
}

void TMqttClient::Disconnect()
{
    if (m_mosq) {
        if (m_connected)
            mosquitto_disconnect(m_mosq);
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
    }
    m_connected = false;
}

int TMqttClient::Publish(const QByteArray &topic, const QByteArray &payload, int qos, bool retain)
{
    if (!m_connected)
        return -1;
    int mid = -1;
    const int rc = mosquitto_publish(m_mosq, &mid, topic.constData(), int(payload.size()), payload.constData(), qos, retain);
    return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

void TMqttClient::OnConnectCb(mosquitto *, void *self, int rc)
{
    static_cast<TMqttClient *>(self)->m_connack = rc;
}

void TMqttClient::OnDisconnectCb(mosquitto *, void *self, int rc)
{
    auto *client = static_cast<TMqttClient *>(self);
    client->m_disconnected = true;
    client->m_disconnectRc = rc;
}

void TMqttClient::OnPublishCb(mosquitto *, void *self, int mid)
{
    static_cast<TMqttClient *>(self)->m_delivered.push_back(mid);
}

void TMqttClient::OnLogCb(mosquitto *, void *self, int level, const char *text)
{
    // "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"
    auto *client = static_cast<TMqttClient *>(self);
    const QString line = QString::fromUtf8(text);
    if (level == MOSQ_LOG_ERR && client->m_lastTlsError.isEmpty() && line.startsWith(QLatin1String("OpenSSL Error")))
        client->m_lastTlsError = line.section(QLatin1Char(':'), -1).trimmed();
}
