#include "core/net/publisher.h"

#include "core/live/readingtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>

namespace {

struct TChannel {
    const char *key;  // in the state JSON
    const char *slug; // in ids and topics
    bool humidity;
};

const TChannel kChannels[] = {
    {"RH", "rh", true},
    {"T1", "t1", false},
    {"T2", "t2", false},
    {"WET BULB", "wet_bulb", false},
    {"DEW POINT", "dew_point", false},
};

QString HomeAssistantUnit(uint8_t unitCode)
{
    switch (unitCode) {
    case 0: return QStringLiteral("°F");
    case 1: return QStringLiteral("°C");
    case 2: return QStringLiteral("K");
    default: return QString();
    }
}

} // namespace

QByteArray AvailabilityTopic(const QString &prefix)
{
    return (prefix + QStringLiteral("/availability")).toUtf8();
}

QString TopicSlug(const QString &text)
{
    static const QRegularExpression others(QStringLiteral("[^a-z0-9_-]+"));
    return text.toLower().replace(others, QStringLiteral("_"));
}

QList<QPair<QByteArray, QByteArray>> DiscoveryConfigs(const TPublisherSettings &s, uint8_t unitCode)
{
    const QString id = TopicSlug(s.deviceId);
    // The device is the meter: its model, and what it says of itself. This
    // program's version belongs to the origin, never to the device.
    QJsonObject device{{QStringLiteral("identifiers"), QJsonArray{id}},
                       {QStringLiteral("name"), s.deviceName},
                       {QStringLiteral("model"), QStringLiteral("QM738")}};
    if (!s.meterIdentity.isEmpty())
        device.insert(QStringLiteral("model_id"), s.meterIdentity);
    const QJsonObject origin{{QStringLiteral("name"), QStringLiteral("qm738-cli")},
                             {QStringLiteral("sw_version"), QStringLiteral(QM738_VERSION)},
                             {QStringLiteral("support_url"), QStringLiteral(QM738_SUPPORT_URL)}};
    // A state older than about three intervals is shown as unavailable.
    const int expireAfterS = std::max(1, (3 * s.intervalMs + 999) / 1000);
    QList<QPair<QByteArray, QByteArray>> configs;
    for (const TChannel &c : kChannels) {
        const QString key = QLatin1String(c.key);
        const QString unit = c.humidity ? QStringLiteral("%") : HomeAssistantUnit(unitCode);
        // A channel out of range is null in the state: rendered as None,
        // which Home Assistant shows as "unknown" rather than a number.
        QJsonObject config{
            {QStringLiteral("name"), key},
            {QStringLiteral("unique_id"), id + QLatin1Char('_') + QLatin1String(c.slug)},
            {QStringLiteral("default_entity_id"), QStringLiteral("sensor.") + id + QLatin1Char('_') + QLatin1String(c.slug)},
            {QStringLiteral("state_topic"), s.topic + QStringLiteral("/state")},
            {QStringLiteral("availability_topic"), QString::fromUtf8(AvailabilityTopic(s.topic))},
            {QStringLiteral("payload_available"), QStringLiteral("online")},
            {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
            {QStringLiteral("device_class"), c.humidity ? QStringLiteral("humidity") : QStringLiteral("temperature")},
            {QStringLiteral("state_class"), QStringLiteral("measurement")},
            {QStringLiteral("value_template"),
             QStringLiteral("{{ value_json['%1'] if value_json['%1'] is number else None }}").arg(key)},
            {QStringLiteral("suggested_display_precision"), 1},
            {QStringLiteral("expire_after"), expireAfterS},
            {QStringLiteral("qos"), s.qos},
            {QStringLiteral("device"), device},
            {QStringLiteral("origin"), origin},
        };
        if (!unit.isEmpty())
            config.insert(QStringLiteral("unit_of_measurement"), unit);
        const QString topic = QStringLiteral("%1/sensor/%2/%3/config").arg(s.discoveryPrefix, id, QLatin1String(c.slug));
        configs.append({topic.toUtf8(), QJsonDocument(config).toJson(QJsonDocument::Compact)});
    }
    return configs;
}

TPublisher::TPublisher(const TPublisherSettings &settings, IMqttSink &sink, TSpool &spool)
    : m_s(settings),
      m_sink(sink),
      m_spool(spool),
      m_stateTopic((settings.topic + QStringLiteral("/state")).toUtf8()),
      m_historyTopic((settings.topic + QStringLiteral("/history")).toUtf8()),
      m_availabilityTopic(AvailabilityTopic(settings.topic))
{
    m_clock.start();
    m_liveFrom = m_nextLive = m_nextHistory = spool.End();
}

QByteArray TPublisher::StatusTopic() const
{
    return (m_s.discoveryPrefix + QStringLiteral("/status")).toUtf8();
}

bool TPublisher::AddReading(const TLiveReading &reading, const QDateTime &time, QString *error)
{
    const QByteArray payload = ReadingJsonLine(reading, time).toUtf8();
    quint64 seq = 0;
    const bool kept = m_spool.Append(time.toMSecsSinceEpoch(), reading.unitCode, payload, &seq, error);
    m_lastState = payload;
    m_lastUnit = reading.unitCode;
    Pump();
    return kept;
}

void TPublisher::SetMeterAnswering(bool answering)
{
    if (answering == m_answering)
        return;
    m_answering = answering;
    PublishAvailability();
}

void TPublisher::Connected()
{
    m_connected = true;
    m_refusedOnThisConnection = false;
    m_configUnit = m_configsFor = -1; // the broker may have lost the retained configs
    m_configsInFlight = 0;
    // The newest reading, if recent, is the state of now; the rest waited.
    const quint64 end = m_spool.End();
    const qint64 recentMs = 3LL * m_s.intervalMs;
    m_liveFrom = end;
    if (end > m_spool.First() && !m_spool.IsDelivered(end - 1)
        && QDateTime::currentMSecsSinceEpoch() - m_spool.TimeMs(end - 1) <= recentMs)
        m_liveFrom = end - 1;
    m_nextLive = m_liveFrom;
    m_nextHistory = m_spool.First();
    m_availabilityAgainAt = m_s.availabilityAgainMs > 0 ? m_clock.elapsed() + m_s.availabilityAgainMs : -1;
    PublishAvailability();
    Pump();
}

void TPublisher::ConnectionLost()
{
    m_connected = false;
    m_refusedOnThisConnection = false;
    m_flights.clear();
    m_controls.clear();
    m_statesInFlight = 0;
    m_configsInFlight = 0;
    m_configUnit = m_configsFor = -1;
}

void TPublisher::Refused(const QByteArray &topic, int reason)
{
    if (m_refusedTopic.isEmpty()) {
        m_refusedTopic = topic;
        m_refusedReason = reason;
    }
}

bool TPublisher::TakeRefusal(QByteArray *topic, int *reason)
{
    if (m_refusedTopic.isEmpty())
        return false;
    *topic = m_refusedTopic;
    *reason = m_refusedReason;
    m_refusedTopic.clear();
    return true;
}

void TPublisher::Delivered(int mid, int reason)
{
    const bool refused = reason >= 0x80;
    const auto control = m_controls.find(mid);
    if (control != m_controls.end()) {
        const TControl kind = control->second.first;
        const QByteArray topic = control->second.second;
        m_controls.erase(control);
        if (refused) {
            Refused(topic, reason);
        } else if (kind == TControl::Config && --m_configsInFlight == 0) {
            m_configUnit = m_configsFor;
        }
        Pump();
        return;
    }
    const auto flight = m_flights.find(mid);
    if (flight == m_flights.end())
        return;
    const TFlight f = flight->second;
    m_flights.erase(flight);
    if (f.state)
        --m_statesInFlight;
    if (refused) {
        // The reading stays; nothing more goes on this connection, and it
        // goes again on the next.
        Refused(f.state ? m_stateTopic : m_historyTopic, reason);
        m_refusedOnThisConnection = true;
        return;
    }
    m_spool.MarkDelivered(f.seq);
    ++m_delivered;
    Pump();
}

void TPublisher::MessageReceived(const QByteArray &topic, const QByteArray &payload)
{
    // Home Assistant (re)started: its configs and the state again, after a
    // random wait so that a site's publishers do not all answer at once.
    if (!m_s.discoveryPrefix.isEmpty() && topic == StatusTopic() && payload == "online")
        m_rediscoverAt = m_clock.elapsed() + QRandomGenerator::global()->bounded(std::max(m_s.rediscoveryDelayMs, 1));
}

bool TPublisher::PublishReading(quint64 seq, bool state)
{
    TSpoolRecord record;
    if (!m_spool.Read(seq, &record)) {
        m_spool.MarkDelivered(seq); // unreadable: nothing to send
        return true;
    }
    const int mid = m_sink.Publish(state ? m_stateTopic : m_historyTopic, record.payload, m_s.qos, false);
    if (mid < 0)
        return false;
    m_flights[mid] = TFlight{seq, state};
    if (state)
        ++m_statesInFlight;
    return true;
}

void TPublisher::Pump()
{
    if (!m_connected || !m_sink.IsConnected() || m_refusedOnThisConnection)
        return;
    const qint64 now = m_clock.elapsed();
    if (m_availabilityAgainAt >= 0 && now >= m_availabilityAgainAt) {
        m_availabilityAgainAt = -1;
        PublishAvailability();
    }
    if (m_rediscoverAt >= 0 && now >= m_rediscoverAt) {
        m_rediscoverAt = -1;
        m_configUnit = m_configsFor = -1;
        m_repeatState = !m_lastState.isEmpty();
    }
    const bool discovery = !m_s.discoveryPrefix.isEmpty();
    const quint64 end = m_spool.End();
    m_nextLive = std::max(m_nextLive, std::max(m_liveFrom, m_spool.First()));

    // The configs of the next state's unit go before it, once the states of
    // the unit before are all delivered.
    const int nextUnit = m_nextLive < end ? m_spool.Unit(m_nextLive) : (m_repeatState ? m_lastUnit : -1);
    if (discovery && nextUnit >= 0 && nextUnit != m_configUnit && m_configsInFlight == 0 && m_statesInFlight == 0)
        PublishConfigs(nextUnit);
    // The state of now goes before the readings that waited.
    if (discovery && nextUnit >= 0 && nextUnit != m_configUnit)
        return;
    if (m_repeatState && m_nextLive >= end) {
        m_repeatState = false;
        PublishControl(TControl::State, m_stateTopic, m_lastState, false);
    }
    while (int(m_flights.size()) < m_s.window && m_nextLive < end) {
        if (discovery && m_spool.Unit(m_nextLive) != m_configUnit)
            break;
        if (!m_spool.IsDelivered(m_nextLive) && !PublishReading(m_nextLive, true))
            return;
        ++m_nextLive;
        m_repeatState = false;
    }
    if (m_nextLive >= end)
        PumpHistory(end);
}

void TPublisher::PumpHistory(quint64 end)
{
    m_nextHistory = std::max(m_nextHistory, m_spool.First());
    const quint64 historyEnd = std::min(m_liveFrom, end);
    while (int(m_flights.size()) < m_s.window && m_nextHistory < historyEnd) {
        if (!m_spool.IsDelivered(m_nextHistory) && !PublishReading(m_nextHistory, false))
            return;
        ++m_nextHistory;
    }
}

void TPublisher::PublishOffline()
{
    m_offline = true;
    PublishAvailability();
}

bool TPublisher::PublishControl(TControl kind, const QByteArray &topic, const QByteArray &payload, bool retain)
{
    if (!m_connected || !m_sink.IsConnected())
        return false; // sent again after the next connection
    const int mid = m_sink.Publish(topic, payload, 1, retain);
    if (mid >= 0)
        m_controls[mid] = {kind, topic};
    return mid >= 0;
}

void TPublisher::PublishAvailability()
{
    PublishControl(TControl::Availability, m_availabilityTopic,
                   m_answering && !m_offline ? QByteArrayLiteral("online") : QByteArrayLiteral("offline"));
}

void TPublisher::PublishConfigs(int unit)
{
    m_configsFor = unit;
    m_configsInFlight = 0;
    for (const auto &config : DiscoveryConfigs(m_s, uint8_t(unit))) {
        if (PublishControl(TControl::Config, config.first, config.second))
            ++m_configsInFlight;
    }
}
