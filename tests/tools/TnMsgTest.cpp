#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/TnCompress.h"
#include "protocol/TnConnection.h"
#include "protocol/TnDomain.h"
#include "protocol/TnHostname.h"
#include "protocol/TnMessage.h"
#include "support/Support.h"
#include "tools/ToolRun.h"

namespace {

// A record no registry row knows, with the wire types no decoder skips (float, long).
class Stray : public TnPack {
public:
    int type() const override { return 20; }
    void encode() override {
        store(1, 5);
        store(2, "x\"y\n");
        store(3, 1.5f);
        store(4, 1LL << 40);
        store(5, static_cast<unsigned char>(1));
    }
    void decode() override {}
    void encodeXML() override {}
    void decodeXML() override {}
};

std::string packed(TnPack& p) {
    p.pack();
    return std::string(p.packContents(), p.packSize());
}

std::string xml(TnPack& p) {
    p.packXML();
    return std::string(p.packContents(), p.packSize()) + "\n";
}

std::string tcpframe(const std::string& payload) {
    int z = 0;
    TnCompress zlib;
    char* compressed = zlib.compact(z, payload.data(), static_cast<int>(payload.size()));
    char header[TnConnection::kTcpHeaderBytes];
    TnConnection::tcpheader(header, z, static_cast<int>(payload.size()));
    std::string frame = std::string(header, sizeof header) + std::string(compressed, z);
    delete[] compressed;
    return frame;
}

std::string udpdatagram(const std::string& payload) {
    char header[TnConnection::kUdpHeaderBytes] = {TnConnection::kFrameVersion};
    TnPack::_wc_int32(header + 1, static_cast<int>(payload.size()));
    return std::string(header, sizeof header) + payload;
}

std::string be32(int v) {
    char b[4];
    TnPack::_wc_int32(b, v);
    return std::string(b, 4);
}

// A message as a client would send it: every envelope field set, a domain as content.
void fill(TnMessage& m) {
    m.tag(401);
    m.user("farm");
    m.domain(".");
    m.macaddress(TnMacAddress("00:11:22:33:44:55"));
    m.tarndomain("render");
    m.tarnregion("west");
    m.content(new TnDomain("render", "west", 3));
}

class TnMsgFiles : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.file(name);
        support::writeFile(path, bytes);
        return path;
    }
    support::TempDir dir_;
};

TEST_F(TnMsgFiles, EveryFormShowsTheSameMessageAndConvertsBothWays) {
    TnMessage m;
    fill(m);
    const std::string expected = xml(m), bytes = packed(m);
    std::vector<std::string> paths = {write("m.bin", bytes), write("m.xml", expected),
                                      write("m.tcp", tcpframe(bytes)), write("m.udp", udpdatagram(bytes))};
    std::string all;
    for (const std::string& path : paths) {
        ToolRun r = ToolRun::tnmsg({"show", path});
        EXPECT_EQ(r.status, 0) << path << r.err;
        EXPECT_EQ(r.out, expected) << path;
        all += (all.empty() ? "" : "\n") + ("==> " + path + " <==\n") + expected;
    }
    EXPECT_EQ(ToolRun::tnmsg({"show", paths[0], paths[1], paths[2], paths[3]}).out, all);

    // Through XML and back gives the very bytes; a frame converts like the archive it carries.
    const std::string x = dir_.file("c.xml"), b = dir_.file("c.bin"), f = dir_.file("f.bin");
    EXPECT_EQ(ToolRun::tnmsg({"convert", "--to", "xml", paths[0], x}).status, 0);
    EXPECT_EQ(ToolRun::tnmsg({"convert", "--to", "binary", x, b}).status, 0);
    EXPECT_EQ(ToolRun::tnmsg({"convert", "--to", "binary", paths[2], f}).status, 0);
    EXPECT_EQ(support::readFile(x), expected.substr(0, expected.size() - 1));
    EXPECT_EQ(support::readFile(b), bytes);
    EXPECT_EQ(support::readFile(f), bytes);
}

TEST_F(TnMsgFiles, RecordArchivesNeedTheirClassInBinaryButNameItInXml) {
    TnHostname host("node7", 50011, 2);
    const std::string bin = write("h.bin", packed(host)), expected = xml(host);
    ToolRun plain = ToolRun::tnmsg({"show", bin});
    EXPECT_EQ(plain.status, 1);
    EXPECT_NE(plain.err.find("ERROR: " + bin + ": the binary form of a record, not of a message"), std::string::npos);
    EXPECT_EQ(ToolRun::tnmsg({"show", "--type", "host_name", bin}).out, expected);
    EXPECT_EQ(ToolRun::tnmsg({"show", "--type", "63", bin}).out, expected);

    const std::string x = dir_.file("h.xml");
    EXPECT_EQ(ToolRun::tnmsg({"convert", "--type", "host_name", "--to", "xml", bin, x}).status, 0);
    EXPECT_EQ(ToolRun::tnmsg({"show", x}).out, expected);
    EXPECT_EQ(ToolRun::tnmsg({"show", "--type", "message", x}).err,
              "ERROR: " + x + ": an XML archive of 'host_name', not of 'message'\n");
    // The tags of an XML archive are those its record packs to.
    EXPECT_EQ(ToolRun::tnmsg({"show", "--tags", x}).out,
              "version 1\n1 string \"node7\"\n2 int 50011\n3 int 2\n");
}

TEST_F(TnMsgFiles, UnregisteredContentIsShownAsTagsAndLeftOutOfTheXml) {
    TnMessage m;
    fill(m);
    Stray stray;  // a message cannot destroy what no registry row knows: lent, then taken back
    m.content(&stray);
    const std::string path = write("stray.bin", packed(m));
    m.release();
    ToolRun tags = ToolRun::tnmsg({"show", "--tags", path});
    EXPECT_EQ(tags.status, 0) << tags.err;
    EXPECT_NE(tags.out.find("3 object 20 unregistered (45 bytes)\n"
                            "  1 int 5\n  2 string \"x\\\"y\\n\"\n  3 float 1.5\n  4 long 1099511627776\n  5 flag 1\n"
                            "7 int 530\n8 string \"render\"\n"),
              std::string::npos)
        << tags.out;
    EXPECT_NE(tags.out.find("6 object 155 macaddress (25 bytes)\n  1 string \"00:11:22:33:44:55\"\n"), std::string::npos);

    // Without the content the envelope's later fields still come through.
    ToolRun shown = ToolRun::tnmsg({"show", path});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.err.find("WARNING: " + path + ": content of unregistered type 20"), std::string::npos);
    EXPECT_NE(shown.out.find("<tarn_region>west</tarn_region>"), std::string::npos) << shown.out;
    EXPECT_EQ(shown.out.find("<content>"), std::string::npos);
    // A conversion would lose it: refused.
    ToolRun converted = ToolRun::tnmsg({"convert", "--to", "xml", path, dir_.file("out.xml")});
    EXPECT_EQ(converted.status, 1);
    EXPECT_EQ(converted.err.rfind("ERROR: ", 0), 0u);
}

TEST_F(TnMsgFiles, HostileFilesGiveAClearErrorAndNoCrash) {
    TnHostname host("h");
    TnMessage one(1);
    const std::string good = packed(host), frame = tcpframe(packed(one));
    std::string deep;  // objects nested far deeper than any record
    for (int i = 0; i < 200; ++i) deep = std::string("\0\1\0\4", 4) + be32(63) + be32(deep.size()) + deep;
    struct Case {
        const char* name;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"empty", "", "empty file"},
        {"text", "hello there", "neither an archive nor a frame (first bytes 68 65 6c 6c)"},
        {"short frame", frame.substr(0, frame.size() - 3), "its header announces"},
        {"bad zlib", std::string("\2") + be32(4) + be32(10) + "abcd", "does not inflate"},
        {"short zlib", frame.substr(0, 5) + be32(500) + frame.substr(9), "inflates to"},
        {"huge plain", frame.substr(0, 5) + be32(0x7FFFFFFF) + frame.substr(9), "plain bytes"},
        {"short string", be32(1) + std::string("\0\2\0\3", 4) + be32(1000) + "abc", "announces 1000 bytes, 3 left"},
        {"odd wire", be32(1) + std::string("\0\1\0\11", 4), "unknown wire type 9"},
        {"cut header", be32(1) + std::string("\0\1\0", 3), "tag header at offset 0 needs 4 bytes, 3 left"},
        {"not xml", "<version>1</version><object type = 'message'><tag>1</", "malformed XML"},
        {"xml v2", "<version>2</version>\n<object type = 'host_name'>\n</object>", "format version is not 1"},
        {"xml type", "<version>1</version>\n<object type = 'spaceship'>\n</object>", "unknown record type 'spaceship'"},
        {"deep", udpdatagram(be32(1) + std::string("\0\3\0\4", 4) + be32(63) + be32(deep.size()) + deep),
         "does not carry a message"},
    };
    for (const Case& c : cases) {
        const std::string path = write(c.name, c.bytes), name = c.name;
        for (bool tags : {false, true}) {
            // Tags need no envelope: the deep one shows as a tree.
            if (tags && name == "deep") continue;
            ToolRun r = ToolRun::tnmsg(tags ? std::vector<std::string>{"show", "--tags", path}
                                            : std::vector<std::string>{"show", path});
            EXPECT_EQ(r.status, 1) << name << (tags ? " tags: " : ": ") << r.err;
            EXPECT_EQ(r.err.rfind("ERROR: " + path + ": ", 0), 0u) << name << ": " << r.err;
            EXPECT_NE(r.err.find(c.says), std::string::npos) << name << ": " << r.err;
        }
    }
    // The deep one is fine as tags: the nesting is cut short in the tree, not on the stack.
    ToolRun deepTags = ToolRun::tnmsg({"show", "--tags", dir_.file("deep")});
    EXPECT_NE(deepTags.out.find("not shown: nested too deep"), std::string::npos);
    EXPECT_EQ(ToolRun::tnmsg({"show", dir_.path()}).status, 1);
    EXPECT_EQ(ToolRun::tnmsg({"show", dir_.file("missing")}).err,
              "ERROR: " + dir_.file("missing") + ": No such file or directory\n");
    // Good files still print when a bad one is among them.
    ToolRun mixed = ToolRun::tnmsg({"show", "--type", "host_name", write("good", good), dir_.file("missing")});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_NE(mixed.out.find("<host>h</host>"), std::string::npos);
}

TEST(TnMsgCommandLine, HelpVersionAndMisuse) {
    ToolRun help = ToolRun::tnmsg({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* line : {"usage: tnmsg show [--tags] [--type TYPE] FILE...\n",
                             "tnmsg send HOST[:PORT] --tag N [--content FILE] [--type TYPE] [--udp] [--timeout MS]\n",
                             "tnmsg find [--force]\n", "tnmsg convert --to xml|binary [--type TYPE] IN OUT\n"})
        EXPECT_NE(help.out.find(line), std::string::npos) << line;
    EXPECT_EQ(ToolRun::tnmsg({"show", "--help"}).out, help.out);
    ToolRun version = ToolRun::tnmsg({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tnmsg 1.0.0\n");

    const std::vector<std::vector<std::string>> misuse = {
        {}, {"frobnicate"}, {"show"}, {"show", "--bogus", "x"}, {"show", "--type", "spaceship", "x"},
        {"send", "127.0.0.1:50005"}, {"send", "127.0.0.1:99999", "--tag", "1"}, {"send", "h", "--tag", "one"},
        {"send", ":5", "--tag", "1"}, {"send", "h", "--tag", "1", "--timeout", "0"},
        {"convert", "--to", "yaml", "a", "b"}, {"convert", "--to", "xml", "a"}, {"find", "--all"},
    };
    for (const auto& args : misuse) {
        ToolRun r = ToolRun::tnmsg(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]) << " " << r.err;
        EXPECT_EQ(r.err.rfind("ERROR: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("usage: tnmsg"), std::string::npos);
    }
}

}  // namespace
