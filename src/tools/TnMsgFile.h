#ifndef TN_TOOLS_TNMSGFILE_H
#define TN_TOOLS_TNMSGFILE_H

#include <string>

class TnPack;

// One file as tnmsg takes it: an archive of a record in the binary or the XML form, or one
// captured TCP frame or UDP datagram, told apart by its first bytes:
//
//   00 00 00 01 ...        binary archive (the version word)
//   '<' (after blanks)     XML archive
//   02 Z P zlib-stream     TCP frame, when 9 + Z is the file's length
//   02 N payload           UDP datagram, when 5 + N is the file's length
//
// Nothing in a file is trusted: its size is capped, frame headers must agree with the bytes
// present, and every failure is a sentence for the user rather than a crash.
class TnMsgFile {
public:
    enum Kind { kNone, kBinary, kXML, kTcpFrame, kUdpDatagram };

    // Larger files are refused before they are read whole.
    static const int kMaxFileBytes;

    // Reads path ("-" for standard input) and finds its kind and its packed bytes (inflated for
    // a TCP frame). False with `why` when that fails.
    bool load(const std::string& path, std::string& why);
    // Takes bytes already in memory (a received frame's payload is a packed document).
    void adopt(const std::string& bytes, Kind kind);

    Kind kind() const { return kind_; }
    const char* kindname() const;
    // The packed document (version word and fields); empty for an XML archive.
    const std::string& packed() const { return packed_; }
    const std::string& text() const { return text_; }

    // A new object decoded from the file, or null with `why`. `type` names the class (a type
    // code, 7 for a message); 0 takes a message for binary forms and the class the object
    // line names for XML. A message whose content is of an unregistered type is decoded
    // without it, and `warning` says so.
    TnPack* decode(int type, std::string& why, std::string& warning) const;

    // The type code of a record class by its XML word, or by its number; 0 when unknown.
    static int typecode(const std::string& word);
    // A new, empty object of the class with this code (7: a message), or null.
    static TnPack* create(int type);

private:
    bool classify(std::string& why);
    bool inflate(std::string& why);
    TnPack* decodeBinary(int type, std::string& why, std::string& warning) const;
    TnPack* decodeXML(int type, std::string& why) const;

    Kind kind_ = kNone;
    std::string bytes_;   // the file as read, until its kind is known
    std::string packed_;  // the packed document behind it
    std::string text_;    // the XML text
};

#endif
