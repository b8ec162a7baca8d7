#include "core/net/publisher.h"

#include "core/live/readingtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
    QJsonObject device{{QStringLiteral("identifiers"), QJsonArray{id}},
                       {QStringLiteral("name"), s.deviceName},
                       {QStringLiteral("sw_version"), QStringLiteral(QM738_VERSION)}};
    if (!s.model.isEmpty())
        device.insert(QStringLiteral("model"), s.model);
    QList<QPair<QByteArray, QByteArray>> configs;
    for (const TChannel &c : kChannels) {
        const QString key = QLatin1String(c.key);
        const QString unit = c.humidity ? QStringLiteral("%") : HomeAssistantUnit(unitCode);
        // A channel out of range is null in the state: rendered as None,
        // which Home Assistant shows as "unknown" rather than a number.
        QJsonObject config{
            {QStringLiteral("name"), key},
            {QStringLiteral("unique_id"), id + QLatin1Char('_') + QLatin1String(c.slug)},
            {QStringLiteral("object_id"), id + QLatin1Char('_') + QLatin1String(c.slug)},
            {QStringLiteral("state_topic"), s.topic + QStringLiteral("/state")},
            {QStringLiteral("availability_topic"), QString::fromUtf8(AvailabilityTopic(s.topic))},
            {QStringLiteral("payload_available"), QStringLiteral("online")},
            {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
            {QStringLiteral("device_class"), c.humidity ? QStringLiteral("humidity") : QStringLiteral("temperature")},
            {QStringLiteral("state_class"), QStringLiteral("measurement")},
            {QStringLiteral("value_template"),
             QStringLiteral("{{ value_json['%1'] if value_json['%1'] is number else None }}").arg(key)},
            {QStringLiteral("suggested_display_precision"), 1},
            {QStringLiteral("qos"), s.qos},
            {QStringLiteral("device"), device},
        };
        if (!unit.isEmpty())
            config.insert(QStringLiteral("unit_of_measurement"), unit);
        const QString topic = QStringLiteral("%1/sensor/%2/%3/config").arg(s.discoveryPrefix, id, QLatin1String(c.slug));
        configs.append({topic.toUtf8(), QJsonDocument(config).toJson(QJsonDocument::Compact)});
    }
    return configs;
}

TPublisher::TPublisher(const TPublisherSettings &settings, IMqttSink &sink)
    : m_s(settings),
      m_sink(sink),
      m_stateTopic((settings.topic + QStringLiteral("/state")).toUtf8()),
      m_availabilityTopic(AvailabilityTopic(settings.topic))
{
}

void TPublisher::AddReading(const TLiveReading &reading, const QDateTime &time)
{
    // A copy of its own size: the conversion leaves room for three bytes a
    // character, and a day of readings may wait here.
    const QByteArray utf8 = ReadingJsonLine(reading, time).toUtf8();
    m_queue.push_back({QByteArray(utf8.constData(), utf8.size()), -1});
    while (qsizetype(m_queue.size()) > std::max<qsizetype>(m_s.capacity, 1)) {
        if (m_inFlight > 0)
            --m_inFlight; // its delivery, if it comes, finds nothing
        m_queue.pop_front();
        ++m_dropped;
    }
    if (reading.unitCode != m_readingUnit) {
        m_readingUnit = reading.unitCode;
        PublishDiscovery();
    }
    Pump();
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
    m_unitCode = -1; // the broker may have lost the retained configs
    PublishAvailability();
    PublishDiscovery();
    Pump();
}

void TPublisher::ConnectionLost()
{
    for (TItem &item : m_queue) {
        if (item.mid < 0)
            break;
        item.mid = -1;
    }
    m_inFlight = 0;
    m_controlInFlight.clear();
}

void TPublisher::Delivered(int mid)
{
    const auto control = std::find(m_controlInFlight.begin(), m_controlInFlight.end(), mid);
    if (control != m_controlInFlight.end()) {
        m_controlInFlight.erase(control);
        return;
    }
    for (int i = 0; i < m_inFlight; ++i) {
        if (m_queue[size_t(i)].mid == mid) {
            m_queue.erase(m_queue.begin() + i);
            --m_inFlight;
            ++m_delivered;
            break;
        }
    }
    Pump();
}

void TPublisher::Pump()
{
    while (m_sink.IsConnected() && m_inFlight < m_s.window && size_t(m_inFlight) < m_queue.size()) {
        TItem &item = m_queue[size_t(m_inFlight)];
        const int mid = m_sink.Publish(m_stateTopic, item.payload, m_s.qos, false);
        if (mid < 0)
            return;
        item.mid = mid;
        ++m_inFlight;
    }
}

void TPublisher::PublishOffline()
{
    m_offline = true;
    PublishAvailability();
}

void TPublisher::PublishControl(const QByteArray &topic, const QByteArray &payload)
{
    if (!m_sink.IsConnected())
        return; // sent again after the next connection
    const int mid = m_sink.Publish(topic, payload, 1, true);
    if (mid >= 0)
        m_controlInFlight.push_back(mid);
}

void TPublisher::PublishAvailability()
{
    PublishControl(m_availabilityTopic,
                   m_answering && !m_offline ? QByteArrayLiteral("online") : QByteArrayLiteral("offline"));
}

void TPublisher::PublishDiscovery()
{
    if (m_s.discoveryPrefix.isEmpty() || m_readingUnit < 0 || m_readingUnit == m_unitCode || !m_sink.IsConnected())
        return;
    m_unitCode = m_readingUnit;
    for (const auto &config : DiscoveryConfigs(m_s, uint8_t(m_unitCode)))
        PublishControl(config.first, config.second);
}
