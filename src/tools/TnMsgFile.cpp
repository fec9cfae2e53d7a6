#include "tools/TnMsgFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "protocol/TnCompress.h"
#include "protocol/TnConnection.h"
#include "protocol/TnMessage.h"
#include "protocol/TnPack.h"
#include "tools/TnMsgTags.h"

const int TnMsgFile::kMaxFileBytes = TnConnection::kMaxFrameBytes;

namespace {

const int kVersionWord = 4;
const short kContentTag = 3;
// Fields kept to judge an envelope, which has nine kinds.
const int kMaxFields = 64;

std::string hexbytes(const std::string& bytes, int n) {
    std::string out;
    for (int i = 0; i < n && i < static_cast<int>(bytes.size()); ++i) {
        char hex[4];
        snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(bytes[i]));
        if (i) out += ' ';
        out += hex;
    }
    return out;
}

// Why unpack() or unpackXML() refused a document, by their result codes.
std::string packresult(int code) {
    switch (code) {
    case 1: return "shorter than the 4-byte version word";
    case 2: return "nothing after the version word";
    case 3: return "unknown format version";
    default: return "refused (" + std::to_string(code) + ")";
    }
}

std::string xmlresult(int code) {
    switch (code) {
    case 1: return "no version element";
    case 3: return "format version is not 1";
    case 4: return "malformed XML";
    default: return "the XML parser failed (" + std::to_string(code) + ")";
    }
}

// The word in the first "<object type = '...'>" line; empty when there is none.
std::string objectword(const std::string& text) {
    size_t at = text.find("<object");
    if (at == std::string::npos) return "";
    at = text.find("type", at);
    if (at == std::string::npos) return "";
    at += 4;
    while (at < text.size() && (text[at] == ' ' || text[at] == '=' || text[at] == '\t')) ++at;
    if (at >= text.size() || (text[at] != '\'' && text[at] != '"')) return "";
    const size_t end = text.find(text[at], at + 1);
    if (end == std::string::npos) return "";
    return text.substr(at + 1, end - at - 1);
}

}  // namespace

const char* TnMsgFile::kindname() const {
    switch (kind_) {
    case kBinary: return "binary archive";
    case kXML: return "XML archive";
    case kTcpFrame: return "TCP frame";
    case kUdpDatagram: return "UDP datagram";
    default: return "unknown";
    }
}

bool TnMsgFile::load(const std::string& path, std::string& why) {
    kind_ = kNone;
    bytes_.clear();
    packed_.clear();
    text_.clear();
    const bool stdinput = path == "-";
    FILE* in = stdinput ? stdin : fopen(path.c_str(), "rb");
    if (!in) {
        why = strerror(errno);
        return false;
    }
    // Read in pieces up to one byte past the cap, so an oversized file (or an endless pipe)
    // is refused without being held whole.
    std::vector<char> piece(65536);
    bool failed = false;
    int error = 0;
    while (static_cast<long long>(bytes_.size()) <= kMaxFileBytes) {
        const size_t got = fread(piece.data(), 1, piece.size(), in);
        bytes_.append(piece.data(), got);
        if (got < piece.size()) {
            failed = ferror(in) != 0;
            error = errno;
            break;
        }
    }
    if (!stdinput) fclose(in);
    if (failed) {
        why = std::string("cannot read: ") + strerror(error);
        return false;
    }
    if (static_cast<long long>(bytes_.size()) > kMaxFileBytes) {
        why = "larger than " + std::to_string(kMaxFileBytes) + " bytes";
        return false;
    }
    return classify(why);
}

void TnMsgFile::adopt(const std::string& bytes, Kind kind) {
    kind_ = kind;
    bytes_.clear();
    packed_ = kind == kXML ? std::string() : bytes;
    text_ = kind == kXML ? bytes : std::string();
}

bool TnMsgFile::classify(std::string& why) {
    const std::string& b = bytes_;
    const long long n = static_cast<long long>(b.size());
    if (n == 0) {
        why = "empty file";
        return false;
    }
    if (n >= kVersionWord && TnPack::_rc_int32(b.data()) == 1) {
        kind_ = kBinary;
        packed_.swap(bytes_);
        return true;
    }
    size_t first = b.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && b[first] == '<') {
        kind_ = kXML;
        text_.swap(bytes_);
        return true;
    }
    if (b[0] == TnConnection::kFrameVersion && n >= TnConnection::kUdpHeaderBytes) {
        // Both frames start with the version byte and a length; the length that matches the
        // file's size tells which one this is.
        const long long announced = TnPack::_rc_int32(b.data() + 1);
        if (announced > 0 && announced + TnConnection::kUdpHeaderBytes == n) {
            if (n > TnConnection::kMaxDatagram) {
                why = "a UDP datagram longer than " + std::to_string(TnConnection::kMaxDatagram) + " bytes";
                return false;
            }
            kind_ = kUdpDatagram;
            packed_ = b.substr(TnConnection::kUdpHeaderBytes);
            bytes_.clear();
            return true;
        }
        if (announced > 0 && n >= TnConnection::kTcpHeaderBytes && announced + TnConnection::kTcpHeaderBytes == n) {
            kind_ = kTcpFrame;
            return inflate(why);
        }
        why = "starts like a frame, but its header announces " + std::to_string(announced) + " bytes and " +
              std::to_string(n) + " bytes are present";
        return false;
    }
    why = "neither an archive nor a frame (first bytes " + hexbytes(b, 4) + ")";
    return false;
}

bool TnMsgFile::inflate(std::string& why) {
    const int z = TnPack::_rc_int32(bytes_.data() + 1);
    int p = TnPack::_rc_int32(bytes_.data() + 5);
    if (p <= 0 || p > TnConnection::kMaxFrameBytes) {
        why = "TCP frame announcing " + std::to_string(p) + " plain bytes";
        return false;
    }
    int produced = 0;
    TnCompress zlib;
    std::unique_ptr<char[]> plain(zlib.uncompact(p, bytes_.data() + TnConnection::kTcpHeaderBytes, z, &produced));
    if (!plain) {
        why = "TCP frame whose payload does not inflate (a bad zlib stream, or far more than the " +
              std::to_string(p) + " bytes announced)";
        return false;
    }
    if (produced != p) {
        why = "TCP frame whose payload inflates to " + std::to_string(produced) + " bytes, not the " +
              std::to_string(p) + " announced";
        return false;
    }
    packed_.assign(plain.get(), p);
    bytes_.clear();
    return true;
}

int TnMsgFile::typecode(const std::string& word) {
    if (word.empty()) return 0;
    if (word.find_first_not_of("0123456789") == std::string::npos) {
        if (word.size() > 4) return 0;
        const int code = std::stoi(word);
        return code == TnMessage::kTypeCode || TnMessage::registered(code) ? code : 0;
    }
    if (word == TnMessage::kTypeXML) return TnMessage::kTypeCode;
    for (int code = 1; code <= 255; ++code)
        if (TnMessage::registered(code) && TnMsgTags::typeword(code) == word) return code;
    return 0;
}

TnPack* TnMsgFile::create(int type) {
    if (type == TnMessage::kTypeCode) return new TnMessage;
    return TnMessage::registered(type) ? TnMessage::mapobj(type) : nullptr;
}

TnPack* TnMsgFile::decode(int type, std::string& why, std::string& warning) const {
    warning.clear();
    if (kind_ == kXML) return decodeXML(type, why);
    if (kind_ == kNone) {
        why = "nothing loaded";
        return nullptr;
    }
    return decodeBinary(type, why, warning);
}

TnPack* TnMsgFile::decodeBinary(int type, std::string& why, std::string& warning) const {
    const int n = static_cast<int>(packed_.size());
    if (n < kVersionWord || TnPack::_rc_int32(packed_.data()) != 1) {
        why = "the packed document has no version word 1";
        return nullptr;
    }
    // Every field is walked, so that malformed bytes are refused here rather than half decoded;
    // an envelope has a handful of fields, so only so many are kept to judge whether this is one.
    std::vector<TnMsgTags::Field> fields;
    TnMsgTags::Field f;
    std::string broken;
    bool many = false;
    for (int pos = 0; pos < n - kVersionWord;) {
        if (!TnMsgTags::next(packed_.data() + kVersionWord, n - kVersionWord, pos, f, broken)) {
            why = "malformed: " + broken + " (--tags shows the fields before it)";
            return nullptr;
        }
        if (static_cast<int>(fields.size()) < kMaxFields) fields.push_back(f);
        else many = true;
    }
    const bool framed = kind_ == kTcpFrame || kind_ == kUdpDatagram;
    if (type == 0) {
        if (many || !TnMsgTags::envelope(fields)) {
            why = framed ? "the frame does not carry a message (--tags shows its fields)"
                         : "the binary form of a record, not of a message: name its class with --type "
                           "(--tags shows its fields)";
            return nullptr;
        }
        type = TnMessage::kTypeCode;
    }
    std::unique_ptr<TnPack> object(create(type));
    if (!object) {
        why = "no class has type " + std::to_string(type);
        return nullptr;
    }
    std::string document = packed_;
    if (type == TnMessage::kTypeCode) {
        // An unregistered content would end the decoding of the envelope there, and the fields
        // behind it would keep their defaults: decode the envelope without it instead.
        for (auto f = fields.rbegin(); f != fields.rend(); ++f) {
            if (f->tag != kContentTag || f->wire != TnPack::kObject || TnMessage::registered(f->objtype)) continue;
            document.erase(kVersionWord + f->offset, f->length);
            warning = "content of unregistered type " + std::to_string(f->objtype) + " (" +
                      std::to_string(f->length - 12) + " bytes) left out; --tags shows it";
        }
    }
    const int result = object->unpack(document.data(), static_cast<int>(document.size()));
    if (result != 0 && result != 2) {
        why = packresult(result);
        return nullptr;
    }
    return object.release();
}

TnPack* TnMsgFile::decodeXML(int type, std::string& why) const {
    const std::string word = objectword(text_);
    if (type != 0 && !word.empty() && typecode(word) != type) {
        why = "an XML archive of '" + word + "', not of '" + TnMsgTags::typeword(type) + "'";
        return nullptr;
    }
    if (type == 0) {
        if (word.empty()) {
            why = "an XML archive without an object line";
            return nullptr;
        }
        type = typecode(word);
        if (type == 0) {
            why = "an XML archive of an unknown record type '" + word + "'";
            return nullptr;
        }
    }
    std::unique_ptr<TnPack> object(create(type));
    if (!object) {
        why = "no class has type " + std::to_string(type);
        return nullptr;
    }
    // One root element around the version line and the object block, as recoverXML reads.
    const std::string wrapped = "<pack>\n" + text_ + "\n</pack>";
    if (wrapped.size() > static_cast<size_t>(TnPack::kMaxXMLBytes)) {
        why = "an XML archive larger than " + std::to_string(TnPack::kMaxXMLBytes) + " bytes";
        return nullptr;
    }
    const int length = static_cast<int>(wrapped.size());
    int result = object->unpackXML(wrapped.data(), length);
    if (result == 0 && type == TnMessage::kTypeCode) {
        // A message reads its content only into a content it already holds: learn the type
        // from the first reading, then read again with an empty record of that class.
        TnMessage* message = static_cast<TnMessage*>(object.get());
        const int contenttype = message->contenttype();
        if (contenttype != 0 && text_.find("<content>") != std::string::npos) {
            TnPack* content = create(contenttype);
            if (!content) {
                why = "a message whose content type " + std::to_string(contenttype) + " is not registered";
                return nullptr;
            }
            message->content(content);
            result = object->unpackXML(wrapped.data(), length);
        }
    }
    if (result != 0) {
        why = xmlresult(result);
        return nullptr;
    }
    return object.release();
}
