#pragma once
// Live readings to an MQTT broker, nothing lost while the broker is away.
//
// Topics under a prefix P:
//   P/state         one JSON object per reading taken while connected, the
//                   text of `read --format json`
//   P/history       the readings that waited for the broker (taken while it
//                   was away, or not acknowledged when the connection was
//                   lost), oldest first, the same text with their own times
//   P/availability  "online" while connected and the meter answers,
//                   "offline" when it stops (and through the broker's last
//                   will); retained
// and, with discovery, one retained config per channel for Home Assistant
// under DISCOVERY/sensor/<device id>/<channel>/config.
//
// Home Assistant stamps a state with the time it arrives, so a backlog on
// P/state would land as a burst at reconnection: it goes to P/history, and
// after a reconnection the newest reading (when it is recent) goes to
// P/state first. Every reading is in the spool before it is handed to the
// connection and leaves it only when its delivery is reported (the broker's
// acknowledgement at QoS 1). At most `window` readings are in flight.
//
// The configs of a unit reach the broker before any state in that unit and
// after every state in the unit before it: a unit change waits for the
// states in flight, publishes the new configs and waits for them, so no
// state is ever read in another state's unit.

#include "core/live/livereading.h"
#include "core/net/mqttclient.h"
#include "core/net/spool.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QString>

#include <map>

struct TPublisherSettings {
    QString topic;              // the prefix P
    int qos = 1;
    QString discoveryPrefix;    // empty: no discovery
    QString deviceId;           // stable, unique: the device and its channels' ids derive from it
    QString deviceName;         // shown in Home Assistant
    QString meterIdentity;      // what the meter says of itself, if anything
    int intervalMs = 2000;
    int window = 16;
    // After each connection "online" goes once more then, after an old
    // connection's will could have come (0: not again).
    qint64 availabilityAgainMs = 0;
    // Longest random wait before the configs go again after Home Assistant
    // announced itself on DISCOVERY/status.
    int rediscoveryDelayMs = 5000;
};

// The retained discovery configs for the unit code (0 degF, 1 degC, 2 K,
// 3 none): topic and JSON payload for RH, T1, T2, WET BULB and DEW POINT.
QList<QPair<QByteArray, QByteArray>> DiscoveryConfigs(const TPublisherSettings &settings, uint8_t unitCode);

// P/availability, the topic of the last will too.
QByteArray AvailabilityTopic(const QString &prefix);

// Letters, digits, '-' and '_' of `text`, lower case, other runs as one '_':
// fit for a topic level and an id.
QString TopicSlug(const QString &text);

class TPublisher {
public:
    TPublisher(const TPublisherSettings &settings, IMqttSink &sink, TSpool &spool);

    QByteArray StateTopic() const { return m_stateTopic; }
    // DISCOVERY/status, where Home Assistant says "online" when it starts.
    QByteArray StatusTopic() const;

    // A reading taken at `time`: spooled, then handed over by Pump(). False
    // when the spool holds it in memory only (`error` says why, once).
    bool AddReading(const TLiveReading &reading, const QDateTime &time, QString *error = nullptr);
    // The meter answers or has stopped answering.
    void SetMeterAnswering(bool answering);

    // The connection's events.
    void Connected();      // (re)publishes availability and discovery, then readings
    void ConnectionLost(); // readings in flight are handed over again later
    void Delivered(int mid, int reason);
    void MessageReceived(const QByteArray &topic, const QByteArray &payload);

    // Hands readings to the connection while the window has room; the
    // delayed messages when they are due.
    void Pump();
    // Publishes "offline" for a clean stop; ControlsInFlight() tells when it
    // is delivered.
    void PublishOffline();
    bool ControlsInFlight() const { return !m_controls.empty(); }

    // A message the broker refused (MQTT 5 reason >= 0x80), once: its topic
    // and the reason. The reading stays in the spool.
    bool TakeRefusal(QByteArray *topic, int *reason);

    qsizetype Queued() const { return m_spool.Pending(); }
    int InFlight() const { return int(m_flights.size()); }
    quint64 DeliveredCount() const { return m_delivered; }

private:
    struct TFlight {
        quint64 seq = 0;
        bool state = false;
    };
    enum class TControl { Availability, Config, State };
    bool PublishControl(TControl kind, const QByteArray &topic, const QByteArray &payload, bool retain = true);
    void PublishAvailability();
    void PublishConfigs(int unit);
    bool PublishReading(quint64 seq, bool state);
    void PumpHistory(quint64 end);
    void Refused(const QByteArray &topic, int reason);

    TPublisherSettings m_s;
    IMqttSink &m_sink;
    TSpool &m_spool;
    QByteArray m_stateTopic;
    QByteArray m_historyTopic;
    QByteArray m_availabilityTopic;
    bool m_connected = false;
    bool m_answering = false;
    bool m_offline = false;         // stopping: "offline" whatever the meter does
    bool m_refusedOnThisConnection = false;

    quint64 m_liveFrom = 0;         // readings from here on go to state
    quint64 m_nextLive = 0;
    quint64 m_nextHistory = 0;
    std::map<int, TFlight> m_flights;
    int m_statesInFlight = 0;
    std::map<int, QPair<TControl, QByteArray>> m_controls; // with their topics

    int m_configUnit = -1;          // of the configs the broker has on this connection
    int m_configsFor = -1;          // of the configs in flight
    int m_configsInFlight = 0;
    QByteArray m_lastState;         // the newest reading, for Home Assistant's restart
    int m_lastUnit = -1;
    bool m_repeatState = false;

    QElapsedTimer m_clock;
    qint64 m_availabilityAgainAt = -1; // on m_clock; -1: none
    qint64 m_rediscoverAt = -1;

    QByteArray m_refusedTopic;
    int m_refusedReason = 0;
    quint64 m_delivered = 0;
};
