#include "tools/TnMsgTags.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "protocol/TnMessage.h"
#include "protocol/TnPack.h"

namespace {

const int kHeader = 4;

// Bytes after the tag header that a value of this wire type takes before any length it
// announces; -1 for an unknown type.
int fixedwidth(short wire) {
    switch (wire) {
    case TnPack::kInt: return 4;
    case TnPack::kChar: return 1;
    case TnPack::kString: return 4;
    case TnPack::kObject: return 8;
    case TnPack::kFloat: return 4;
    case TnPack::kUChar: return 1;
    case TnPack::kLong: return 8;
    default: return -1;
    }
}

std::string at(const char* what, int offset, int wanted, int left) {
    char text[160];
    snprintf(text, sizeof text, "%s at offset %d needs %d bytes, %d left", what, offset, wanted, left);
    return text;
}

}  // namespace

const char* TnMsgTags::wirename(short wire) {
    switch (wire) {
    case TnPack::kInt: return "int";
    case TnPack::kChar: return "char";
    case TnPack::kString: return "string";
    case TnPack::kObject: return "object";
    case TnPack::kFloat: return "float";
    case TnPack::kUChar: return "flag";
    case TnPack::kLong: return "long";
    default: return "unknown";
    }
}

std::string TnMsgTags::typeword(int type) {
    if (type == TnMessage::kTypeCode) return TnMessage::kTypeXML;
    if (!TnMessage::registered(type)) return "unregistered";
    std::unique_ptr<TnPack> made(TnMessage::mapobj(type));
    return made ? made->typeXML().value() : "unregistered";
}

std::string TnMsgTags::quoted(const char* data, int n) {
    std::string out = "\"";
    const int shown = n < kMaxShown ? n : kMaxShown;
    for (int i = 0; i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
    if (shown < n) out += " ... (" + std::to_string(n) + " bytes)";
    return out;
}

bool TnMsgTags::next(const char* data, int n, int& pos, Field& f, std::string& why) {
    const int left = n - pos;
    if (left < kHeader) {
        why = at("tag header", pos, kHeader, left);
        return false;
    }
    f.tag = TnPack::_rc_int16(data + pos);
    f.wire = TnPack::_rc_int16(data + pos + 2);
    f.offset = pos;
    f.objtype = 0;
    const int width = fixedwidth(f.wire);
    if (width < 0) {
        why = "unknown wire type " + std::to_string(f.wire) + " at offset " + std::to_string(pos);
        return false;
    }
    if (left - kHeader < width) {
        why = at(wirename(f.wire), pos, kHeader + width, left);
        return false;
    }
    // Strings and objects announce a length behind their fixed part: taken only when it fits
    // in what is left, so a hostile number never reaches an allocation.
    long long whole = kHeader + width;
    if (f.wire == TnPack::kString || f.wire == TnPack::kObject) {
        const int announced = TnPack::_rc_int32(data + pos + kHeader + width - 4);
        if (f.wire == TnPack::kObject) f.objtype = TnPack::_rc_int32(data + pos + kHeader);
        if (announced < 0 || announced > left - whole) {
            why = std::string(wirename(f.wire)) + " at offset " + std::to_string(pos) + " announces " +
                  std::to_string(announced) + " bytes, " + std::to_string(left - whole) + " left";
            return false;
        }
        whole += announced;
    }
    f.length = static_cast<int>(whole);
    pos += f.length;
    return true;
}

bool TnMsgTags::tree(const char* data, int n, FILE* out, std::string& why, int depth) {
    const std::string indent(2 * depth, ' ');
    int pos = 0;
    Field f;
    while (pos < n) {
        if (!next(data, n, pos, f, why)) return false;
        const char* value = data + f.offset + kHeader;
        std::string line = indent + std::to_string(f.tag) + " " + wirename(f.wire) + " ";
        char text[64];
        switch (f.wire) {
        case TnPack::kInt: line += std::to_string(TnPack::_rc_int32(value)); break;
        case TnPack::kLong: line += std::to_string(static_cast<long long>(TnPack::_rc_int64(value))); break;
        case TnPack::kUChar: line += std::to_string(static_cast<unsigned char>(value[0])); break;
        case TnPack::kChar:
            line += quoted(value, 1) + " (" + std::to_string(static_cast<signed char>(value[0])) + ")";
            break;
        case TnPack::kFloat: {
            const uint32_t bits = static_cast<uint32_t>(TnPack::_rc_int32(value));
            float f32;
            memcpy(&f32, &bits, sizeof f32);
            snprintf(text, sizeof text, "%g", static_cast<double>(f32));
            line += text;
            break;
        }
        case TnPack::kString: line += quoted(value + 4, f.length - kHeader - 4); break;
        case TnPack::kObject: {
            const int inner = f.length - kHeader - 8;
            line += std::to_string(f.objtype) + " " + typeword(f.objtype) + " (" + std::to_string(inner) + " bytes)";
            if (depth + 1 >= kMaxDepth) {
                line += " not shown: nested too deep";
                break;
            }
            fprintf(out, "%s\n", line.c_str());
            if (!tree(value + 8, inner, out, why, depth + 1)) return false;
            continue;
        }
        }
        fprintf(out, "%s\n", line.c_str());
    }
    return true;
}

bool TnMsgTags::envelope(const std::vector<Field>& fields) {
    // The envelope's tags 1 to 9 and the wire type each travels as.
    static const short wires[] = {0,           TnPack::kInt,    TnPack::kString, TnPack::kObject, TnPack::kInt,
                                  TnPack::kString, TnPack::kObject, TnPack::kInt,    TnPack::kString, TnPack::kString};
    bool tagged = false;
    for (const Field& f : fields) {
        if (f.tag < 1 || f.tag > 9 || wires[f.tag] != f.wire) return false;
        if (f.tag == 6 && f.objtype != TnMacAddress::kTypeCode) return false;
        if (f.tag == 1) tagged = true;
    }
    return tagged;
}
