#pragma once
// Keeps the computer from going to sleep while the program works on its own
// (a real-time recording, a download). Holders are named; the computer is
// kept awake from the moment the first holder comes until the last one goes.
//
// It asks logind on the system bus (org.freedesktop.login1.Manager.Inhibit
// "sleep:idle", mode "block"), which answers a file descriptor: holding it
// holds the inhibitor, closing it lets go. Without logind it asks the desktop
// portal on the session bus (org.freedesktop.portal.Inhibit, suspend and
// idle), which answers a request handle: Close on it lets go. The calls are
// asynchronous with a short time-out, so the caller never waits; without
// either service nothing is kept awake and nothing is said.

#include <QObject>
#include <QSet>
#include <QString>

class QDBusConnection;
class QDBusMessage;

class TSleepInhibitor : public QObject {
    Q_OBJECT
public:
    // The usual system and session buses.
    explicit TSleepInhibitor(QObject *parent = nullptr);
    // Buses at these addresses (empty: that bus is not asked).
    TSleepInhibitor(const QString &systemBusAddress, const QString &sessionBusAddress, QObject *parent = nullptr);
    ~TSleepInhibitor() override; // lets go

    // A holder comes (held) or goes; the same holder twice counts once.
    void SetHeld(const QString &holder, bool held);
    bool Wanted() const { return !m_holders.isEmpty(); }

    enum class TVia { None, Login, Portal };
    // What keeps the computer awake now.
    TVia Via() const { return m_via; }

    // How long a service may take to answer before the next is asked.
    static constexpr int kTimeoutMs = 1000;

signals:
    // A request has settled: taken, refused or let go.
    void Settled();

private:
    QDBusConnection Bus(bool system);
    void Update();
    // Sends `call` on `bus`; `answered` gets the reply (an error reply included).
    // False when the bus is not there.
    bool Ask(const QDBusConnection &bus, const QDBusMessage &call, void (TSleepInhibitor::*answered)(const QDBusMessage &));
    void AskLogin();
    void LoginAnswered(const QDBusMessage &reply);
    void AskPortal();
    void PortalAnswered(const QDBusMessage &reply);
    void Taken();
    void Release();

    QString m_addresses[2]; // session, system; both empty for the usual buses
    bool m_usualBuses = true;
    QString m_connectionNames[2];
    QSet<QString> m_holders;
    TVia m_via = TVia::None;
    bool m_asking = false;
    int m_fd = -1;          // logind's inhibitor
    QString m_portalHandle; // the portal's request
};
