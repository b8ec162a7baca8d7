#pragma once
// The connection to an MQTT broker, over libmosquitto, driven from the
// caller's own loop (no thread): Run() waits for the network for a while,
// reads and writes what is due, reconnects with back-off and reports what
// happened through the callbacks, always from inside Run(), never from
// inside Publish().
//
// Every connection attempt starts a fresh libmosquitto session, so nothing
// that was in flight on a lost connection is sent again behind the caller's
// back: the caller keeps its messages until they are delivered and hands
// them over again after a reconnection.
//
// Failures: until the first connection succeeds, a broker that refuses the
// credentials (or the client), a certificate that does not verify (or any
// other failed TLS handshake) and a host name that does not resolve are
// final: Failed() turns true and the caller gives up. Everything else, and
// everything once connected, is retried after 1 s, doubling up to 60 s.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <vector>

struct mosquitto;

struct TMqttSettings {
    QString host;
    int port = 1883;
    bool tls = false;
    QString caFile;        // empty: the system's certificate authorities
    bool insecure = false; // TLS without certificate or host name checks
    QString username;      // empty: anonymous
    QByteArray password;
    int protocol = 4;      // 4 = MQTT 3.1.1, 5 = MQTT 5
    int keepAliveS = 30;
    QByteArray willTopic;  // the retained last will, QoS 1, when set
    QByteArray willPayload;
};

// mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] (8883) into `settings`.
bool ParseBrokerUrl(const QString &url, TMqttSettings *settings, QString *error);

// Where messages go: the broker connection, or a test's fake.
class IMqttSink {
public:
    virtual ~IMqttSink() = default;
    virtual bool IsConnected() const = 0;
    // Hands a message to the connection: its id (>= 0), or -1 when it was
    // not taken. The id comes back through the delivery callback once the
    // broker acknowledged it (QoS 1) or it was written to the socket (QoS 0).
    virtual int Publish(const QByteArray &topic, const QByteArray &payload, int qos, bool retain) = 0;
};

class TMqttClient : public IMqttSink {
public:
    explicit TMqttClient(const TMqttSettings &settings);
    ~TMqttClient() override;
    TMqttClient(const TMqttClient &) = delete;
    TMqttClient &operator=(const TMqttClient &) = delete;

    std::function<void()> OnConnected;       // after each accepted connection
    std::function<void(const QString &)> OnLost; // a connection or attempt ended; why
    std::function<void(int)> OnDelivered;    // a message id

    // Waits up to `timeoutMs` for the network and handles it; starts a
    // connection attempt when one is due (at once on the first call).
    void Run(int timeoutMs);
    // Ends the connection with a DISCONNECT (the will is not sent).
    void Disconnect();

    bool IsConnected() const override { return m_connected; }
    int Publish(const QByteArray &topic, const QByteArray &payload, int qos, bool retain) override;

    // A final failure: the settings cannot work; FailureText() says why.
    bool Failed() const { return m_failed; }
    QString FailureText() const { return m_failure; }
    // The delay before the next attempt, in ms (0 while connected).
    qint64 RetryDelayMs() const { return m_connected ? 0 : m_delayMs; }

private:
    void StartAttempt();
    void Drop(const QString &why, bool finalBeforeFirstConnection);
    void Dispatch();
    static void OnConnectCb(mosquitto *, void *self, int rc);
    static void OnDisconnectCb(mosquitto *, void *self, int rc);
    static void OnPublishCb(mosquitto *, void *self, int mid);
    static void OnLogCb(mosquitto *, void *self, int level, const char *text);

    TMqttSettings m_s;
    mosquitto *m_mosq = nullptr;
    bool m_connected = false;
    bool m_everConnected = false;
    bool m_failed = false;
    QString m_failure;
    QString m_lastTlsError;
    int m_attempts = 0;
    qint64 m_delayMs = 1000;     // back-off: 1 s doubling to 60 s
    QElapsedTimer m_sinceDrop;   // invalid: an attempt is due now
    QElapsedTimer m_sinceAttempt;

    // What the library reported, dispatched after its call returned.
    int m_connack = -1;          // -1: none yet on this attempt
    bool m_disconnected = false;
    int m_disconnectRc = 0;
    std::vector<int> m_delivered;
};
