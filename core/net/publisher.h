#pragma once
// Live readings to an MQTT broker, nothing lost while the broker is away.
//
// Topics under a prefix P:
//   P/state         one JSON object per reading, the text of `read --format json`
//   P/availability  "online" while the meter answers, "offline" when it stops
//                   (and through the broker's last will); retained
// and, with discovery, one retained config per channel for Home Assistant
// under DISCOVERY/sensor/<device id>/<channel>/config.
//
// Readings wait in a queue, oldest first, until the broker has them: a
// reading leaves the queue only when its delivery is reported (the broker's
// acknowledgement at QoS 1, the write to the socket at QoS 0). At most
// `window` readings are handed to the connection at a time; those still
// unacknowledged when the connection is lost go again, first, once the next
// connection is made.
// The queue holds at most `capacity` readings; beyond it the oldest go and
// are counted.

#include "core/live/livereading.h"
#include "core/net/mqttclient.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

#include <deque>
#include <vector>

struct TPublisherSettings {
    QString topic;              // the prefix P
    int qos = 1;
    QString discoveryPrefix;    // empty: no discovery
    QString deviceId;           // stable, unique: the device and its channels' ids derive from it
    QString deviceName;         // shown in Home Assistant
    QString model;              // the meter's identity
    qsizetype capacity = 43200; // 24 h at 2 s
    int window = 16;
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
    TPublisher(const TPublisherSettings &settings, IMqttSink &sink);

    QByteArray StateTopic() const { return m_stateTopic; }

    // A reading taken at `time`: queued, then handed over by Pump().
    void AddReading(const TLiveReading &reading, const QDateTime &time);
    // The meter answers or has stopped answering.
    void SetMeterAnswering(bool answering);

    // The connection's events.
    void Connected();      // (re)publishes availability and discovery, then readings
    void ConnectionLost(); // readings in flight are handed over again later
    void Delivered(int mid);

    // Hands queued readings to the connection while the window has room.
    void Pump();
    // Publishes "offline" for a clean stop; Idle() tells when it (and every
    // reading) is delivered.
    void PublishOffline();
    bool Idle() const { return m_queue.empty() && m_controlInFlight.empty(); }

    qsizetype Queued() const { return qsizetype(m_queue.size()); }
    int InFlight() const { return m_inFlight; }
    quint64 Dropped() const { return m_dropped; }
    quint64 DeliveredCount() const { return m_delivered; }

private:
    struct TItem {
        QByteArray payload;
        int mid = -1; // while in flight
    };
    void PublishControl(const QByteArray &topic, const QByteArray &payload);
    void PublishAvailability();
    void PublishDiscovery();

    TPublisherSettings m_s;
    IMqttSink &m_sink;
    QByteArray m_stateTopic;
    QByteArray m_availabilityTopic;
    std::deque<TItem> m_queue; // the first m_inFlight are in flight
    int m_inFlight = 0;
    std::vector<int> m_controlInFlight;
    quint64 m_dropped = 0;
    quint64 m_delivered = 0;
    bool m_answering = false;
    bool m_offline = false;     // stopping: "offline" whatever the meter does
    int m_unitCode = -1;        // of the discovery configs published; -1 none yet
    int m_readingUnit = -1;     // of the last reading
};
