#pragma once
// The workstation's network address, as the about box and the settings window show it.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The three lookups behind the address, replaceable so the choice between them can be tested.
struct THostLookup {
    std::function<QString()> HostName;                                   // empty when unknown
    std::function<std::optional<QStringList>(const QString&)> Addresses; // IPv4 texts; none on failure
    std::function<QString()> FirstInterfaceAddress;                      // up, running, not loopback
};

THostLookup SystemHostLookup();

// The last non-loopback address the host name resolves to; when all of them are loopback (a host
// name mapped to 127.0.1.1 is common), the first non-loopback interface address; "" on failure.
QString GetLocalIPAddress(const THostLookup& Lookup);
QString GetLocalIPAddress();
