#include "core/base/sleepinhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kReason = QStringLiteral("Recording from the meter or downloading its memory");

} // namespace

TSleepInhibitor::TSleepInhibitor(QObject *parent) : QObject(parent) {}

TSleepInhibitor::TSleepInhibitor(const QString &systemBusAddress, const QString &sessionBusAddress, QObject *parent)
    : QObject(parent), m_addresses{sessionBusAddress, systemBusAddress}, m_usualBuses(false)
{
}

TSleepInhibitor::~TSleepInhibitor()
{
    blockSignals(true);
    m_holders.clear();
    Release();
    for (const QString &name : m_connectionNames)
        if (!name.isEmpty())
            QDBusConnection::disconnectFromBus(name);
}

QDBusConnection TSleepInhibitor::Bus(bool system)
{
    if (m_usualBuses)
        return system ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
    const QString &address = m_addresses[system];
    QString &name = m_connectionNames[system];
    if (address.isEmpty())
        return QDBusConnection(QString()); // not connected
    if (name.isEmpty()) {
        name = QStringLiteral("qm738-sleep-%1-%2").arg(quintptr(this), 0, 16).arg(system);
        return QDBusConnection::connectToBus(address, name);
    }
    return QDBusConnection(name);
}

void TSleepInhibitor::SetHeld(const QString &holder, bool held)
{
    const bool wanted = Wanted();
    if (held)
        m_holders.insert(holder);
    else
        m_holders.remove(holder);
    if (wanted != Wanted())
        Update();
}

void TSleepInhibitor::Update()
{
    if (m_asking)
        return; // settled when the answer comes
    if (Wanted() && m_via == TVia::None)
        AskLogin();
    else if (!Wanted() && m_via != TVia::None)
        Release();
}

bool TSleepInhibitor::Ask(const QDBusConnection &bus, const QDBusMessage &call,
                          void (TSleepInhibitor::*answered)(const QDBusMessage &))
{
    if (!bus.isConnected())
        return false;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, answered](QDBusPendingCallWatcher *w) {
        const QDBusMessage reply = w->reply();
        w->deleteLater();
        (this->*answered)(reply);
    });
    m_asking = true;
    return true;
}

void TSleepInhibitor::AskLogin()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("QM738") << kReason << QStringLiteral("block");
    if (!Ask(Bus(true), call, &TSleepInhibitor::LoginAnswered))
        AskPortal();
}

void TSleepInhibitor::LoginAnswered(const QDBusMessage &reply)
{
    const bool ok = reply.type() == QDBusMessage::ReplyMessage;
    const auto fd = reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
    m_fd = ok && fd.isValid() ? ::fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 3) : -1;
    if (m_fd < 0) {
        AskPortal(); // an error, a time-out or no descriptor
        return;
    }
    m_via = TVia::Login;
    Taken();
}

void TSleepInhibitor::AskPortal()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
    const uint suspendAndIdle = 4 | 8;
    call << QString() << suspendAndIdle << QVariantMap{{QStringLiteral("reason"), kReason}};
    if (!Ask(Bus(false), call, &TSleepInhibitor::PortalAnswered)) {
        m_asking = false;
        emit Settled(); // nobody to ask: the work goes on without
    }
}

void TSleepInhibitor::PortalAnswered(const QDBusMessage &reply)
{
    if (reply.type() == QDBusMessage::ReplyMessage)
        m_portalHandle = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (m_portalHandle.isEmpty()) {
        m_asking = false;
        emit Settled();
        return;
    }
    m_via = TVia::Portal;
    Taken();
}

// An inhibitor has come; the holders may have gone meanwhile.
void TSleepInhibitor::Taken()
{
    m_asking = false;
    if (!Wanted())
        Release();
    else
        emit Settled();
}

void TSleepInhibitor::Release()
{
    if (m_via == TVia::None)
        return;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_portalHandle.isEmpty()) {
        // Sent without waiting for the answer.
        Bus(false).send(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"), m_portalHandle,
                                                       QStringLiteral("org.freedesktop.portal.Request"),
                                                       QStringLiteral("Close")));
        m_portalHandle.clear();
    }
    m_via = TVia::None;
    emit Settled();
}
