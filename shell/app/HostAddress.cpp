#include "shell/app/HostAddress.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QString SystemHostName() {
    char name[65] = {};
    if (gethostname(name, sizeof name - 1) != 0) return QString();
    return QString::fromLocal8Bit(name);
}

std::optional<QStringList> SystemAddresses(const QString& Name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    // Without a socket type every address comes once per type.
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (getaddrinfo(Name.toLocal8Bit().constData(), nullptr, &hints, &result) != 0) return std::nullopt;
    QStringList addresses;
    for (const addrinfo* a = result; a; a = a->ai_next) {
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) addresses << QString::fromLatin1(text);
    }
    freeaddrinfo(result);
    return addresses;
}

QString SystemInterfaceAddress() {
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ip.isLoopback()) return ip.toString();
        }
    }
    return QString();
}

bool IsLoopback(const QString& Address) {
    return QHostAddress(Address).isLoopback();
}

} // namespace

THostLookup SystemHostLookup() {
    return {SystemHostName, SystemAddresses, SystemInterfaceAddress};
}

QString GetLocalIPAddress(const THostLookup& Lookup) {
    const QString name = Lookup.HostName();
    if (name.isEmpty()) return QString();
    const std::optional<QStringList> addresses = Lookup.Addresses(name);
    if (!addresses || addresses->isEmpty()) return QString();
    for (auto it = addresses->crbegin(); it != addresses->crend(); ++it)
        if (!IsLoopback(*it)) return *it;
    const QString fallback = Lookup.FirstInterfaceAddress();
    return fallback.isEmpty() ? addresses->last() : fallback;
}

QString GetLocalIPAddress() {
    return GetLocalIPAddress(SystemHostLookup());
}
