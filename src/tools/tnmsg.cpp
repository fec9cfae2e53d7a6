// tnmsg: looks at and speaks the farm's protocol.
//
//   tnmsg show [--tags] [--type TYPE] FILE...
//   tnmsg send HOST[:PORT] --tag N [--content FILE] [--type TYPE] [--udp] [--timeout MS]
//   tnmsg find [--force]
//   tnmsg convert --to xml|binary [--type TYPE] IN OUT
//
// Exit status: 0 done, 1 something failed (said on standard error after "ERROR: "), 2 a
// command line that is not understood.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/TnClientConfig.h"
#include "diag/TnDebug.h"
#include "protocol/TnClient.h"
#include "protocol/TnHostnameList.h"
#include "protocol/TnMessage.h"
#include "protocol/TnPack.h"
#include "tools/TnMsgFile.h"
#include "tools/TnMsgSend.h"
#include "tools/TnMsgTags.h"

namespace {

const char* const kVersion = "1.0.0";
const int kDefaultTimeout = 10000;
const int kMaxTimeout = 3600 * 1000;

const char* const kUsage =
    "usage: tnmsg show [--tags] [--type TYPE] FILE...\n"
    "       tnmsg send HOST[:PORT] --tag N [--content FILE] [--type TYPE] [--udp] [--timeout MS]\n"
    "       tnmsg find [--force]\n"
    "       tnmsg convert --to xml|binary [--type TYPE] IN OUT\n"
    "       tnmsg [--verbose] --help | --version\n";

const char* const kHelp =
    "\n"
    "Looks at and speaks the farm's protocol.\n"
    "\n"
    "  show      prints a binary or XML archive, a captured TCP frame or UDP datagram as the XML\n"
    "            form of its message and content; --tags prints the tagged fields as a tree\n"
    "            (tag, wire type, value), unregistered records included\n"
    "  send      sends one message with tag N, stamped as the farm's clients stamp it, its content\n"
    "            read from an archive, and prints the reply; the port defaults to the configured\n"
    "            supervisor port, the time-out to 10000 ms\n"
    "  find      prints the supervisors that discovery finds, one per line (--force asks the\n"
    "            network even when tn.conf names supervisors)\n"
    "  convert   rewrites an archive (or a frame's message) in the XML or the binary form\n"
    "\n"
    "A binary archive does not say what it holds: tnmsg takes it for a message unless --type\n"
    "names the record's class by its XML word or its type code (host_name, 63 ...).\n"
    "--verbose sends the library's debug lines to standard error.\n";

int usage(const std::string& complaint) {
    fprintf(stderr, "ERROR: %s\n%s", complaint.c_str(), kUsage);
    return 2;
}

int failure(const std::string& text) {
    fprintf(stderr, "ERROR: %s\n", text.c_str());
    return 1;
}

bool number(const std::string& text, int low, int high, int& out) {
    if (text.empty() || text.size() > 11) return false;
    char* end = nullptr;
    const long long value = strtoll(text.c_str(), &end, 10);
    if (*end != 0 || value < low || value > high) return false;
    out = static_cast<int>(value);
    return true;
}

// The value of an option that takes one: the next argument, or a complaint.
bool optionvalue(const std::vector<std::string>& args, size_t& i, std::string& value, std::string& complaint) {
    if (i + 1 >= args.size()) {
        complaint = args[i] + " needs a value";
        return false;
    }
    value = args[++i];
    return true;
}

bool typeoption(const std::string& word, int& type, std::string& complaint) {
    type = TnMsgFile::typecode(word);
    if (type == 0) complaint = "unknown record type '" + word + "'";
    return type != 0;
}

void print(TnPack& object) {
    object.packXML();
    fwrite(object.packContents(), 1, object.packSize(), stdout);
    fputc('\n', stdout);
}

// ---- show --------------------------------------------------------------------------------

int showtags(const std::string& path, const TnMsgFile& file, int type) {
    const std::string* packed = &file.packed();
    std::string repacked;
    if (file.kind() == TnMsgFile::kXML) {
        // The XML form has no tags of its own: show those its record packs to.
        std::string why, warning;
        std::unique_ptr<TnPack> object(file.decode(type, why, warning));
        if (!object) return failure(path + ": " + why);
        object->pack();
        repacked.assign(object->packContents(), object->packSize());
        packed = &repacked;
    }
    if (packed->size() < 4 || TnPack::_rc_int32(packed->data()) != 1)
        return failure(path + ": the packed document has no version word 1");
    std::string why;
    printf("version 1\n");
    const bool whole = TnMsgTags::tree(packed->data() + 4, static_cast<int>(packed->size()) - 4, stdout, why);
    fflush(stdout);
    return whole ? 0 : failure(path + ": malformed: " + why);
}

int show(const std::vector<std::string>& args) {
    bool tags = false;
    int type = 0;
    std::vector<std::string> files;
    std::string complaint, value;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--tags") tags = true;
        else if (args[i] == "--type") {
            if (!optionvalue(args, i, value, complaint) || !typeoption(value, type, complaint)) return usage(complaint);
        } else if (args[i].size() > 1 && args[i][0] == '-') return usage("show: unknown option " + args[i]);
        else files.push_back(args[i]);
    }
    if (files.empty()) return usage("show: no FILE given");
    int status = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string& path = files[i];
        if (files.size() > 1) printf("%s==> %s <==\n", i ? "\n" : "", path.c_str());
        fflush(stdout);
        TnMsgFile file;
        std::string why, warning;
        if (!file.load(path, why)) {
            status = failure(path + ": " + why);
            continue;
        }
        if (tags) {
            if (showtags(path, file, type) != 0) status = 1;
            continue;
        }
        std::unique_ptr<TnPack> object(file.decode(type, why, warning));
        if (!object) {
            status = failure(path + ": " + why);
            continue;
        }
        if (!warning.empty()) fprintf(stderr, "WARNING: %s: %s\n", path.c_str(), warning.c_str());
        print(*object);
    }
    return status;
}

// ---- convert -----------------------------------------------------------------------------

int convert(const std::vector<std::string>& args) {
    std::string to, complaint, value;
    int type = 0;
    std::vector<std::string> paths;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--to") {
            if (!optionvalue(args, i, to, complaint)) return usage(complaint);
            if (to != "xml" && to != "binary") return usage("convert: --to takes xml or binary, not " + to);
        } else if (args[i] == "--type") {
            if (!optionvalue(args, i, value, complaint) || !typeoption(value, type, complaint)) return usage(complaint);
        } else if (args[i].size() > 1 && args[i][0] == '-') return usage("convert: unknown option " + args[i]);
        else paths.push_back(args[i]);
    }
    if (to.empty()) return usage("convert: --to xml|binary is missing");
    if (paths.size() != 2) return usage("convert takes IN and OUT");
    TnMsgFile file;
    std::string why, warning;
    if (!file.load(paths[0], why)) return failure(paths[0] + ": " + why);
    std::unique_ptr<TnPack> object(file.decode(type, why, warning));
    if (!object) return failure(paths[0] + ": " + why);
    // A conversion that silently lost the content would be worse than none.
    if (!warning.empty()) return failure(paths[0] + ": " + warning);
    const int written = to == "xml" ? object->archiveXML(paths[1].c_str()) : object->archive(paths[1].c_str());
    if (written <= 0) return failure(paths[1] + ": cannot write");
    return 0;
}

// ---- send --------------------------------------------------------------------------------

// The record to send from an archive: a record, or the content of an archived message.
TnPack* content(const std::string& path, int type, std::string& why) {
    TnMsgFile file;
    std::string warning;
    if (!file.load(path, why)) return nullptr;
    std::unique_ptr<TnPack> object(file.decode(type, why, warning));
    if (!object) return nullptr;
    if (object->type() != TnMessage::kTypeCode) return object.release();
    TnMessage* message = static_cast<TnMessage*>(object.get());
    TnPack* inner = message->content();
    if (!inner) why = "a message without content" + (warning.empty() ? std::string() : "; " + warning);
    message->release();
    return inner;
}

int send(const std::vector<std::string>& args) {
    std::string target, contentpath, complaint, value;
    int tag = 0, type = 0, timeout = kDefaultTimeout;
    bool tagged = false, udp = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--udp") udp = true;
        else if (a == "--tag" || a == "--timeout" || a == "--content" || a == "--type") {
            if (!optionvalue(args, i, value, complaint)) return usage(complaint);
            if (a == "--tag") {
                if (!number(value, -2147483647 - 1, 2147483647, tag)) return usage("--tag takes an integer, not " + value);
                tagged = true;
            } else if (a == "--timeout") {
                if (!number(value, 1, kMaxTimeout, timeout))
                    return usage("--timeout takes milliseconds from 1 to " + std::to_string(kMaxTimeout));
            } else if (a == "--content") {
                contentpath = value;
            } else if (!typeoption(value, type, complaint)) {
                return usage(complaint);
            }
        } else if (a.size() > 1 && a[0] == '-') return usage("send: unknown option " + a);
        else if (target.empty()) target = a;
        else return usage("send takes one HOST[:PORT]");
    }
    if (target.empty()) return usage("send: HOST[:PORT] is missing");
    if (!tagged) return usage("send: --tag N is missing");
    std::string host = target;
    int port = 0;
    const size_t colon = target.rfind(':');
    if (colon != std::string::npos) {
        host = target.substr(0, colon);
        if (!number(target.substr(colon + 1), 1, 65535, port)) return usage("bad port in " + target);
    } else {
        port = TnClientConfig().supervisor_port();
    }
    if (host.empty()) return usage("send: empty host in " + target);

    TnMessage request(tag);
    if (!contentpath.empty()) {
        std::string why;
        TnPack* record = content(contentpath, type, why);
        if (!record) return failure(contentpath + ": " + why);
        request.content(record);
    }
    const std::string where = host + ":" + std::to_string(port);
    TnMsgSend exchange(host.c_str(), port, udp, timeout);
    std::string reply, why;
    switch (exchange.exchange(request, reply, why)) {
    case TnMsgSend::kNotSent: return failure("cannot send to " + where + " - " + why + ".");
    case TnMsgSend::kNoReply:
        fprintf(stderr, "INFO: sent to %s; no reply - %s.\n", where.c_str(), why.c_str());
        return 0;
    case TnMsgSend::kReplied: break;
    }
    TnMsgFile answer;
    answer.adopt(reply, udp ? TnMsgFile::kUdpDatagram : TnMsgFile::kTcpFrame);
    std::string warning;
    std::unique_ptr<TnPack> message(answer.decode(0, why, warning));
    if (!message) return failure("the reply from " + where + ": " + why);
    if (!warning.empty()) fprintf(stderr, "WARNING: the reply from %s: %s\n", where.c_str(), warning.c_str());
    print(*message);
    return 0;
}

// ---- find --------------------------------------------------------------------------------

int find(const std::vector<std::string>& args) {
    bool force = false;
    for (const std::string& a : args) {
        if (a != "--force") return usage("find: unknown argument " + a);
        force = true;
    }
    TnClient client;
    TnHostnameList found;
    if (!client.findSupervisor(found, force)) return failure(std::string("discovery failed - ") + client.error().value().value() + ".");
    if (found.length() == 0) return failure("no supervisor answered the discovery.");
    for (int i = 0; i < found.length(); ++i) printf("%s\n", found.get(i)->value().value());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // The library's debug lines would land on standard output, among the XML: silent unless
    // asked for, and then on standard error.
    tn_debug_verbosity(0);
    size_t first = 0;
    for (; first < args.size(); ++first) {
        const std::string& a = args[first];
        if (a == "-h" || a == "--help") {
            printf("%s%s", kUsage, kHelp);
            return 0;
        }
        if (a == "--version") {
            printf("tnmsg %s\n", kVersion);
            return 0;
        }
        if (a == "-v" || a == "--verbose") {
            tn_debug_filename("/dev/stderr", 0);
            tn_debug_verbosity(TnDebug::kError | TnDebug::kWarning | TnDebug::kInfo);
            continue;
        }
        break;
    }
    if (first >= args.size()) return usage("no command given");
    const std::string command = args[first];
    std::vector<std::string> rest(args.begin() + first + 1, args.end());
    for (const std::string& a : rest) {
        if (a == "-h" || a == "--help") {
            printf("%s%s", kUsage, kHelp);
            return 0;
        }
    }
    if (command == "show") return show(rest);
    if (command == "send") return send(rest);
    if (command == "find") return find(rest);
    if (command == "convert") return convert(rest);
    return usage("unknown command " + command);
}
