#include "shell/app/HostAddress.h"

#include <QHostAddress>
#include <gtest/gtest.h>

TEST(GetLocalIPAddress, ChoosesBetweenTheResolvedAndTheInterfaceAddresses) {
    struct Case {
        const char* name;
        QString host;
        std::optional<QStringList> addresses;
        QString iface;
        QString expected;
    };
    const Case cases[] = {
        {"no host name", "", QStringList{"10.0.0.2"}, "10.0.0.9", ""},
        {"lookup fails", "till", std::nullopt, "10.0.0.9", ""},
        {"several results", "till", QStringList{"10.0.0.2", "192.168.1.5"}, "10.0.0.9", "192.168.1.5"},
        {"loopback listed last", "till", QStringList{"192.168.1.5", "127.0.1.1"}, "10.0.0.9", "192.168.1.5"},
        {"loopback only", "till", QStringList{"127.0.1.1"}, "10.0.0.9", "10.0.0.9"},
        {"loopback only, no interface", "till", QStringList{"127.0.1.1"}, "", "127.0.1.1"},
    };
    for (const Case& c : cases) {
        const THostLookup lookup{[&] { return c.host; }, [&](const QString&) { return c.addresses; },
                                 [&] { return c.iface; }};
        EXPECT_EQ(GetLocalIPAddress(lookup), c.expected) << c.name;
    }
}

TEST(GetLocalIPAddress, GivesAnIPv4AddressOrNothingOnThisMachine) {
    const QString address = GetLocalIPAddress();
    if (!address.isEmpty()) {
        EXPECT_EQ(QHostAddress(address).protocol(), QAbstractSocket::IPv4Protocol);
    }
}
