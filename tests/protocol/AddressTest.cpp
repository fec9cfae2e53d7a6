#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/TnAddress.h"
#include "protocol/TnDomain.h"
#include "protocol/TnHostname.h"
#include "protocol/TnMacAddress.h"

namespace {

std::vector<unsigned char> bytes(const TnPack& p) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(p.packContents());
    return std::vector<unsigned char>(b, b + p.packSize());
}

}  // namespace

TEST(Address, ParsesDottedTextAndPrintsItBack) {
    TnAddress a(TnString("10.0.0.5"));
    EXPECT_FALSE(a.blank());
    EXPECT_EQ(a.value(), 0x0A000005u);
    EXPECT_EQ(a.stringvalue(), TnString("10.0.0.5"));
    EXPECT_EQ(a.hexvalue(), TnString("0A.00.00.05"));
    EXPECT_EQ(TnAddress(TnString("192.168.1.10")).hexvalue(), TnString("C0.A8.01.0A"));

    // Missing octets are 0, each octet wraps in 8 bits, any non-digit ends an octet.
    EXPECT_EQ(TnAddress(TnString("10.1")).stringvalue(), TnString("10.1.0.0"));
    EXPECT_EQ(TnAddress(TnString("300.1.2.3")).stringvalue(), TnString("44.1.2.3"));
    EXPECT_EQ(TnAddress(TnString("1..2")).stringvalue(), TnString("1.0.2.0"));
    EXPECT_FALSE(TnAddress(TnString("")).blank());
}

TEST(Address, TextStartingAFifthOctetLeavesTheAddressAlone) {
    EXPECT_TRUE(TnAddress(TnString("1.2.3.4.5")).blank());
    EXPECT_TRUE(TnAddress(TnString("1.2.3.4.")).blank());
    TnAddress a(TnString("7.7.7.7"));
    a.copy(TnString("1.2.3.4.5"));
    EXPECT_EQ(a.stringvalue(), TnString("7.7.7.7"));
    a.wipe();
    EXPECT_TRUE(a.blank());
    EXPECT_EQ(a.value(), 0u);
}

TEST(Address, IsAddressWantsExactlyFourSmallGroups) {
    for (const char* good : {"0.0.0.0", "255.255.255.255", "10.0.0.5", "001.2.3.4"})
        EXPECT_TRUE(TnAddress::isaddress(good)) << good;
    for (const char* bad : {"", "1.2.3", "1.2.3.256", "1.2.3.4.", ".1.2.3", "1..2.3", "1.2.3.4.5", "1.2.3.a",
                            "1.2.3.4 ", "99999999999999999999.1.1.1"})
        EXPECT_FALSE(TnAddress::isaddress(bad)) << bad;
}

TEST(Address, OnlyTheValueTravels) {
    TnAddress a(TnString("200.1.2.3"));
    a.pack();
    EXPECT_EQ(bytes(a), (std::vector<unsigned char>{0, 0, 0, 1, 0, 1, 0, 1, 200, 1, 2, 3}));

    TnAddress blankReceiver;
    ASSERT_EQ(blankReceiver.unpack(a.packContents(), a.packSize()), 0);
    EXPECT_EQ(blankReceiver.stringvalue(), TnString("200.1.2.3"));
    EXPECT_TRUE(blankReceiver.blank());

    TnAddress viaXML;
    a.packXML();
    std::string xml = std::string("<pack>") + a.packContents() + "</pack>";
    ASSERT_EQ(viaXML.unpackXML(xml.data(), static_cast<int>(xml.size())), 0);
    EXPECT_EQ(viaXML.value(), a.value());  // above 2^31: the decimal is unsigned
    EXPECT_TRUE(viaXML.blank());
}

TEST(Address, ResolverGivesLoopbackAndBlankForNothing) {
    EXPECT_TRUE(TnAddress::hostname("").blank());
    TnAddress local = TnAddress::hostname("localhost");
    if (!local.blank()) {
        EXPECT_EQ(local.value() >> 24, 127u);
    }
    EXPECT_EQ(TnAddress::hostname("127.0.0.1").stringvalue(), TnString("127.0.0.1"));
}

TEST(MacAddress, NormalisesToUpperCaseByteGroups) {
    EXPECT_EQ(TnMacAddress(TnString("a:b:c:d:e:f")).value(), TnString("0A:0B:0C:0D:0E:0F"));
    EXPECT_EQ(TnMacAddress(TnString("0:1b:2:a:FF:3")).value(), TnString("00:1B:02:0A:FF:03"));
    // Only the first two digits of a group count.
    EXPECT_EQ(TnMacAddress(TnString("123:4")).value(), TnString("12:04"));

    TnMacAddress zero(TnString("00:00:00:00:00:00"));
    EXPECT_TRUE(zero.blank());
    EXPECT_EQ(zero.value(), TnString("00:00:00:00:00:00"));
    EXPECT_TRUE(TnMacAddress().blank());

    TnMacAddress m(TnString("1:2:3:4:5:6"));
    m.copy(TnString(""));
    EXPECT_TRUE(m.blank());
}

TEST(MacAddress, BlankAlsoJudgesTextTakenFromTheWire) {
    // A peer may send text that was never normalised.
    TnMacAddress raw;
    const unsigned char zeros[] = {0, 0, 0, 1, 0, 1, 0, 3, 0, 0, 0, 6, '0', ':', '0', '0', ':', '0'};
    ASSERT_EQ(raw.unpack(reinterpret_cast<const char*>(zeros), sizeof zeros), 0);
    EXPECT_TRUE(raw.blank());
    EXPECT_EQ(raw.value(), TnString("0:00:0"));
}

TEST(MacAddress, IsAddressWantsSixHexGroups) {
    for (const char* good : {"00:11:22:33:44:55", "a:b:c:d:e:f", "0FF:1:2:3:4:5"})
        EXPECT_TRUE(TnMacAddress::isaddress(good)) << good;
    for (const char* bad : {"", "00:11:22:33:44", "00:11:22:33:44:55:66", "100:1:2:3:4:5", "g0:1:2:3:4:5",
                            "00::22:33:44:55", "00:11:22:33:44:"})
        EXPECT_FALSE(TnMacAddress::isaddress(bad)) << bad;
}

TEST(Hostname, TextWithAndWithoutPort) {
    TnHostname h;
    EXPECT_EQ(h.port(), 0);
    EXPECT_EQ(h.id(), -1);
    h.id(4);
    h = TnString("farmhost:50001");
    EXPECT_EQ(h.host(), TnString("farmhost"));
    EXPECT_EQ(h.port(), 50001);
    EXPECT_EQ(h.id(), 4);
    EXPECT_EQ(h.value(), TnString("farmhost:50001"));
    h.value(TnString("farmhost"));
    EXPECT_EQ(h.port(), 0);
    EXPECT_EQ(h.value(), TnString("farmhost"));
    h.copy(TnString("other:"));
    EXPECT_EQ(h.host(), TnString("other"));
    EXPECT_EQ(h.port(), 0);
    h.copy(TnString("a:1:2"));
    EXPECT_EQ(h.host(), TnString("a"));
    EXPECT_EQ(h.port(), 1);
    // The constructor does not parse.
    EXPECT_EQ(TnHostname(TnString("x:5")).host(), TnString("x:5"));
}

TEST(Domain, IdDefaultsAndTravelsUnderTagTwo) {
    TnDomain d(TnString("farm"), TnString("west"));
    EXPECT_EQ(d.id(), -1);
    d.pack();
    EXPECT_EQ(bytes(d), (std::vector<unsigned char>{0, 0, 0, 1, 0, 1, 0, 3, 0, 0, 0, 4, 'f', 'a', 'r', 'm', 0, 2,
                                                     0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0, 3, 0, 3, 0, 0, 0, 4, 'w', 'e',
                                                     's', 't'}));
}
