#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/TnIntHash.h"
#include "core/TnStringList.h"
#include "diag/TnDebug.h"
#include "protocol/TnCompress.h"
#include "protocol/TnConnection.h"
#include "protocol/TnDomain.h"
#include "protocol/TnFile.h"
#include "protocol/TnHostname.h"
#include "protocol/TnMessage.h"
#include "support/Support.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytes(const TnPack& p) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(p.packContents());
    return Bytes(b, b + p.packSize());
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes text(const char* s) { return Bytes(s, s + std::string(s).size()); }

// The worked envelope: tag 107 from user farm in domain ".", MAC 00:11:22:33:44:55, no content.
TnMessage workedMessage() {
    TnMessage m(107);
    m.user("farm");
    m.domain(".");
    m.macaddress(TnMacAddress(TnString("00:11:22:33:44:55")));
    return m;
}

const Bytes kWorkedEnvelope = cat({
    {0, 0, 0, 1},
    {0, 1, 0, 1, 0, 0, 0, 0x6B},
    {0, 2, 0, 3, 0, 0, 0, 4},
    text("farm"),
    {0, 5, 0, 3, 0, 0, 0, 1, 0x2E},
    {0, 6, 0, 4, 0, 0, 0, 0x9B, 0, 0, 0, 0x19},
    {0, 1, 0, 3, 0, 0, 0, 0x11},
    text("00:11:22:33:44:55"),
    {0, 4, 0, 1, 0, 0, 0, 0},
    {0, 7, 0, 1, 0, 0, 2, 0x12},
    {0, 8, 0, 3, 0, 0, 0, 0},
    {0, 9, 0, 3, 0, 0, 0, 0},
});

// Sends the debug log to a file for the life of the object and reads it back.
class DebugCapture {
public:
    DebugCapture() { tn_debug_filename(dir_.file("debug.log").c_str(), 0); }
    ~DebugCapture() { tn_debug_filename("", 0); }
    std::string text() const { return support::readFile(dir_.file("debug.log")); }

private:
    support::TempDir dir_;
};

// A class the registry does not know.
class Stranger : public TnRecord<Stranger> {
public:
    static constexpr int kTypeCode = 20;
    static constexpr const char* kTypeXML = "stranger";
    static void fields(TnFieldTable<Stranger>& t) { t.field(1, "n", &Stranger::n); }
    int n = 5;
};

}  // namespace

TEST(Envelope, WorkedBytesAndTheirTcpFrame) {
    TnMessage m = workedMessage();
    m.pack();
    ASSERT_EQ(m.packSize(), 102);
    EXPECT_EQ(bytes(m), kWorkedEnvelope);

    // The same envelope through a real connection: 02, Z, P = 0x66, then a zlib stream.
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    TnConnection sender(fds[0], TnConnection::kTcp, 2000);
    int z = sender.sendTcp(m.packContents(), m.packSize());
    ASSERT_GT(z, 0);
    std::vector<char> frame(9 + z + 1);
    ssize_t got = 0;
    while (got < 9 + z) {
        ssize_t r = read(fds[1], frame.data() + got, frame.size() - got);
        ASSERT_GT(r, 0);
        got += r;
    }
    EXPECT_EQ(got, 9 + z);
    const unsigned char* f = reinterpret_cast<const unsigned char*>(frame.data());
    EXPECT_EQ(f[0], 2);
    EXPECT_EQ(TnPack::_rc_int32(frame.data() + 1), z);
    EXPECT_EQ(Bytes(f + 5, f + 9), (Bytes{0, 0, 0, 0x66}));
    EXPECT_EQ(f[9], 0x78);
    EXPECT_EQ(f[10], 0x9C);
    int p = 102, produced = 0;
    char* plain = TnCompress().uncompact(p, frame.data() + 9, z, &produced);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(Bytes(plain, plain + produced), kWorkedEnvelope);
    delete[] plain;
    close(fds[1]);

    TnMessage back;
    ASSERT_EQ(back.unpack(m.packContents(), m.packSize()), 0);
    EXPECT_EQ(back.tag(), 107);
    EXPECT_EQ(back.user(), TnString("farm"));
    EXPECT_EQ(back.macaddress().value(), TnString("00:11:22:33:44:55"));
    EXPECT_EQ(back.content(), nullptr);
    EXPECT_EQ(back.version(), 530);
}

TEST(Envelope, ContentSitsBetweenItsTypeAndTheVersion) {
    TnMessage m = workedMessage();
    m.content(new TnHostname(TnString("n1"), 50011, 3));
    EXPECT_EQ(m.contenttype(), 63);
    m.pack();
    TnHostname h(TnString("n1"), 50011, 3);
    h._package();
    Bytes inner = bytes(h);
    Bytes want(kWorkedEnvelope.begin(), kWorkedEnvelope.begin() + 70);
    want.insert(want.end(), {0, 4, 0, 1, 0, 0, 0, 63, 0, 3, 0, 4, 0, 0, 0, 63, 0, 0, 0,
                             static_cast<unsigned char>(inner.size())});
    want.insert(want.end(), inner.begin(), inner.end());
    want.insert(want.end(), kWorkedEnvelope.begin() + 78, kWorkedEnvelope.end());
    EXPECT_EQ(bytes(m), want);

    TnMessage back;
    ASSERT_EQ(back.unpack(m.packContents(), m.packSize()), 0);
    ASSERT_NE(back.content(), nullptr);
    ASSERT_EQ(back.content()->type(), 63);
    TnHostname* got = static_cast<TnHostname*>(back.content());
    EXPECT_EQ(got->value(), TnString("n1:50011"));
    EXPECT_EQ(got->id(), 3);
    EXPECT_EQ(back.version(), 530);

    // release() hands the content over; the message forgets it.
    TnPack* taken = back.content();
    back.release();
    EXPECT_EQ(back.content(), nullptr);
    delete taken;
}

TEST(Envelope, ContentTypeFieldIsAsSentEvenWithoutContent) {
    TnMessage m(3);
    m.content(new TnStringList);
    m.pack();
    TnMessage back;
    back.unpack(m.packContents(), m.packSize());
    EXPECT_EQ(back.contenttype(), 55);
    ASSERT_NE(back.content(), nullptr);

    // A content announced by its type field but never sent: none arrives.
    TnMessage bare(3);
    TnDomain* gone = new TnDomain;
    bare.content(gone);
    bare.release();  // the field says 62, the content is gone
    delete gone;
    bare.pack();
    TnMessage none;
    none.unpack(bare.packContents(), bare.packSize());
    EXPECT_EQ(none.contenttype(), 62);
    EXPECT_EQ(none.content(), nullptr);
}

TEST(Envelope, UnregisteredContentEndsTheDecoding) {
    DebugCapture log;
    TnMessage m(1);
    m.tarndomain("farm");
    Stranger* s = new Stranger;
    m.content(s);
    m.pack();
    m.release();
    delete s;

    TnMessage back;
    back.version(1);
    ASSERT_EQ(back.unpack(m.packContents(), m.packSize()), 0);
    EXPECT_EQ(back.content(), nullptr);
    EXPECT_EQ(back.contenttype(), 20);
    // The rest was dropped: fields after the content keep what the receiver had.
    EXPECT_EQ(back.version(), 1);
    EXPECT_EQ(back.tarndomain(), TnString(""));
    EXPECT_NE(log.text().find("trying to decode unregistered class: 20\n"), std::string::npos) << log.text();
}

TEST(Envelope, MalformedContentLeavesNoContent) {
    TnMessage m(2);
    m.content(new TnHostname(TnString("abc")));
    m.pack();
    Bytes good = bytes(m);
    // Offsets inside the content header: 8 bytes after the tag-4 field.
    size_t at = 0;
    for (size_t i = 4; i + 4 <= good.size(); ++i)
        if (good[i] == 0 && good[i + 1] == 3 && good[i + 2] == 0 && good[i + 3] == 4) {
            at = i;
            break;
        }
    ASSERT_GT(at, 0u);

    Bytes longer = good;
    longer[at + 11] = 0xFF;  // length beyond the buffer
    TnMessage a;
    a.unpack(reinterpret_cast<const char*>(longer.data()), static_cast<int>(longer.size()));
    EXPECT_EQ(a.content(), nullptr);
    EXPECT_EQ(a.tag(), 2);

    Bytes negative = good;
    negative[at + 8] = 0x80;
    TnMessage b;
    b.unpack(reinterpret_cast<const char*>(negative.data()), static_cast<int>(negative.size()));
    EXPECT_EQ(b.content(), nullptr);

    // Every truncation decodes without harm and never invents a content.
    for (size_t n = 0; n < good.size(); ++n) {
        TnMessage t;
        t.unpack(reinterpret_cast<const char*>(good.data()), static_cast<int>(n));
        if (n < at + 12 + 4) {
            EXPECT_EQ(t.content(), nullptr) << n;
        }
    }
}

TEST(Envelope, SecondDecodeReplacesTheContent) {
    TnMessage first(1);
    first.content(new TnStringList);
    first.pack();
    TnMessage second(1);
    second.content(new TnHostname(TnString("h")));
    second.pack();

    TnMessage into;
    into.unpack(first.packContents(), first.packSize());
    ASSERT_NE(into.content(), nullptr);
    EXPECT_EQ(into.content()->type(), 55);
    into.unpack(second.packContents(), second.packSize());  // the list is destroyed first
    ASSERT_NE(into.content(), nullptr);
    EXPECT_EQ(into.content()->type(), 63);
}

TEST(Envelope, CopyTakesTheEnvelopeButOnlyAnEmptyContent) {
    DebugCapture log;
    TnMessage m = workedMessage();
    m.address(TnAddress(TnString("10.1.2.3")));
    m.tarnregion("east");
    m.content(new TnHostname(TnString("h"), 1));

    TnMessage c(m);
    EXPECT_EQ(c.tag(), 107);
    EXPECT_EQ(c.user(), TnString("farm"));
    EXPECT_EQ(c.tarnregion(), TnString("east"));
    EXPECT_EQ(c.macaddress().value(), m.macaddress().value());
    EXPECT_TRUE(c.address().blank());
    ASSERT_NE(c.content(), nullptr);
    EXPECT_NE(c.content(), m.content());
    EXPECT_EQ(c.content()->type(), 63);
    EXPECT_EQ(static_cast<TnHostname*>(c.content())->host(), TnString(""));
    EXPECT_NE(log.text().find("ERROR: using message copy\n"), std::string::npos);

    TnMessage plain(5);
    plain.content(new TnStringList);
    plain = TnMessage(9);  // assignment clears the old content
    EXPECT_EQ(plain.content(), nullptr);
    EXPECT_EQ(plain.tag(), 9);
}

TEST(Envelope, ClearKeepsHandsOffUnregisteredContent) {
    DebugCapture log;
    Stranger* s = new Stranger;
    {
        TnMessage m(1);
        m.content(s);
        m.clear();
        EXPECT_EQ(m.content(), nullptr);
    }
    EXPECT_EQ(s->n, 5);  // still alive: the message did not own what it could not name
    delete s;
    EXPECT_NE(log.text().find("ERROR: possible memory leak in message module; content-type[20]\n"),
              std::string::npos);
}

TEST(Envelope, XmlFormReadsContentOnlyIntoWhatIsThere) {
    TnMessage m(401);
    m.user("u");
    m.content(new TnDomain(TnString("farm"), TnString("west"), 4));
    m.packXML();
    std::string xml = std::string("<pack>") + m.packContents() + "</pack>";
    EXPECT_NE(xml.find("<tarn_domain>"), std::string::npos);

    TnMessage bare;
    ASSERT_EQ(bare.unpackXML(xml.data(), static_cast<int>(xml.size())), 0);
    EXPECT_EQ(bare.tag(), 401);
    EXPECT_EQ(bare.contenttype(), 62);
    EXPECT_EQ(bare.content(), nullptr);

    TnMessage primed;
    primed.content(new TnDomain);
    ASSERT_EQ(primed.unpackXML(xml.data(), static_cast<int>(xml.size())), 0);
    TnDomain* d = static_cast<TnDomain*>(primed.content());
    EXPECT_EQ(d->value(), TnString("farm"));
    EXPECT_EQ(d->region(), TnString("west"));
    EXPECT_EQ(d->id(), 4);
}

TEST(Registry, EveryRowBuildsItsOwnClass) {
    int rows = 0;
    for (int code = -2; code <= 300; ++code) {
        if (!TnMessage::registered(code)) continue;
        ++rows;
        TnPack* obj = TnMessage::mapobj(code);
        ASSERT_NE(obj, nullptr) << code;
        EXPECT_EQ(obj->type(), code);
        delete obj;
    }
    for (int code : {33, 50, 51, 52, 55, 56, 62, 63, 64, 105, 119, 155, 175, 176}) EXPECT_TRUE(TnMessage::registered(code)) << code;
    for (int code : {0, 7, 13, 20, 27, 71, 177, 206, -1}) EXPECT_FALSE(TnMessage::registered(code)) << code;
    EXPECT_GE(rows, 14);

    int saved = tn_debug_verb();
    tn_debug_verbosity(0);
    EXPECT_EQ(TnMessage::mapobj(206), nullptr);
    tn_debug_verbosity(saved);
}
