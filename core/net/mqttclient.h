#pragma once
// The connection to an MQTT broker, over libmosquitto, on a thread of its
// own: name resolution, the TCP and TLS connection, reconnection with
// back-off and the network loop all run there, so the caller's loop (the one
// that reads the meter) never waits for DNS, the broker or TLS.
//
// Connecting tries every address the broker's name resolves to, IPv6 and
// IPv4, in the resolver's order, going on to the next one when one refuses
// or does not answer (libmosquitto's blocking connect, on this thread).
//
// The caller's side: Publish() hands a message to the connection at once
// (libmosquitto queues it; it is thread-safe) and returns its id; what the
// connection thread reports (connected, lost, delivered, a message received)
// waits in a queue and is handed to the callbacks inside Run(), on the
// caller's thread, in the order it happened.
//
// Every connection starts a fresh session under the same client id, so a
// new connection takes the place of an old one the broker still believes
// alive (its last will is then published at once, before this connection's
// messages, never 1.5 keep-alives later); nothing in flight on a lost
// connection is sent again behind the caller's back: the caller keeps its
// messages until they are delivered and hands them over again.
//
// Failures: until the first connection succeeds, a broker that refuses the
// credentials (or the client), a certificate that does not verify and a host
// name that does not exist are final: Failed() turns true and the caller
// gives up. Everything else (a resolver that does not answer, a refused or
// cut connection, a TLS handshake cut short), and everything once connected,
// is retried after 1 s, doubling up to 60 s.
//
// QM738_NAMESERVER=ADDRESS[:PORT] (IPv4) makes this thread's resolver ask
// that DNS server instead of resolv.conf's: for diagnosing a site's DNS, and
// for tests.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

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
    QByteArray clientId;   // empty: one the library makes
    QByteArray willTopic;  // the retained last will, QoS 1, when set
    QByteArray willPayload;
    QList<QByteArray> subscriptions; // subscribed (QoS 0) at every connection
};

// mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] (8883) into `settings`.
bool ParseBrokerUrl(const QString &url, TMqttSettings *settings, QString *error);

// Empty when `topic` may be published to (or used as a prefix of topics):
// no '+', '#' or NUL, no empty level, at most 65535 bytes with the longest
// `suffixBytes` appended; otherwise what is wrong with it.
QString TopicProblem(const QString &topic, int suffixBytes = 0);

// A broker's reason code (MQTT 5) as text: "Not authorized (0x87)".
QString ReasonText(int reason);
constexpr int MqttNotAuthorized = 0x87;

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
    ~TMqttClient() override; // ends the thread (one stuck in the resolver is left to end alone)
    TMqttClient(const TMqttClient &) = delete;
    TMqttClient &operator=(const TMqttClient &) = delete;

    std::function<void()> OnConnected;           // after each accepted connection
    std::function<void(const QString &)> OnLost; // a connection or attempt ended; why
    // A message id and the broker's reason code: 0, or (MQTT 5) >= 0x80 when it refused the message.
    std::function<void(int, int)> OnDelivered;
    std::function<void(const QByteArray &, const QByteArray &)> OnMessage; // topic, payload

    // Waits up to `timeoutMs` for what the connection reports and hands it
    // to the callbacks. The first call starts the connection thread.
    void Run(int timeoutMs);
    // Drops the connection (the caller found it unusable); the next attempt
    // comes after the back-off.
    void Reconnect();
    // Ends the connection with a DISCONNECT (the will is not sent) and the thread.
    void Disconnect();

    bool IsConnected() const override { return m_connected; }
    int Publish(const QByteArray &topic, const QByteArray &payload, int qos, bool retain) override;

    // A final failure: the settings cannot work; FailureText() says why.
    bool Failed() const { return m_failed; }
    QString FailureText() const { return m_failure; }
    // The delay before the next attempt after the last loss, in ms.
    qint64 RetryDelayMs() const { return m_retryDelayMs; }

    struct TShared; // what the thread and the caller share

private:
    std::shared_ptr<TShared> m_shared;
    bool m_started = false;
    bool m_connected = false; // as far as the callbacks were told
    quint64 m_generation = 0; // of the connection the callbacks were told of
    bool m_failed = false;
    QString m_failure;
    qint64 m_retryDelayMs = 1000;
};
