#ifndef TN_PROTOCOL_TNPACK_H
#define TN_PROTOCOL_TNPACK_H

#include <cstdint>

#include "core/TnBase.h"
#include "core/TnString.h"

class TnPackObj;

// Base of every value that travels between the farm's programs or is archived: records,
// lists, hashes and the message envelope. A TnPack builds its own tagged binary form (or
// XML form) in a buffer it owns, and decodes from somebody else's bytes through a read
// cursor. Subclasses store their fields in encode() and restore them in decode(), which the
// decoding loop calls once per tag in the stream.
//
// Decoding never fails loudly: malformed input drops the rest of the bytes being decoded and
// leaves the members not reached as they were. Copying a TnPack never copies its buffer.
class TnPack : public TnBase {
public:
    // Wire type codes of the tag header.
    enum Wire : short { kInt = 1, kChar = 2, kString = 3, kObject = 4, kFloat = 5, kUChar = 6, kLong = 7 };

    TnPack() = default;
    TnPack(const TnPack&) : TnBase() {}
    TnPack& operator=(const TnPack&) { return *this; }
    ~TnPack() override;

    int type() const override { return 71; }
    virtual void encode() = 0;
    virtual void decode() = 0;
    virtual TnString typeXML() const { return "pack"; }
    virtual void encodeXML() = 0;
    virtual void decodeXML() = 0;

    // Binary form.
    void pack();
    const char* packContents() const { return buffer_; }
    int packSize() const { return size_; }
    int unpack(const char* data, int len);

    void store(short tag, int value);
    void store(short tag, char value);
    void store(short tag, unsigned char value);
    void store(short tag, long long value);
    void store(short tag, float value);
    void store(short tag, const TnString& value);
    void store(short tag, const char* value);
    void store(short tag, TnPack& sub);

    void restore(short tag, int& value);
    void restore(short tag, char& value);
    void restore(short tag, unsigned char& value);
    void restore(short tag, long long& value);
    void restore(short tag, float& value);
    void restore(short tag, TnString& value);
    void restore(short tag, TnPack& sub);
    void trashObj(short tag);

    void _tag(short id, short type);
    void _store(const char* bytes, int n);
    void _package();
    void _clear();
    bool _readtag();
    void _yank();
    void _unpack(const char* data, int len);

    int archive(const TnString& path);
    int recover(const TnString& path);
    void _debug_print() const;

    // XML form.
    void packXML();
    int unpackXML(const char* text, int len);
    int archiveXML(const TnString& path);
    int recoverXML(const TnString& path);
    void showXML();

    void storeXML(const TnString& name, const TnString& value);
    void storeXML(const TnString& name, const char* value);
    void storeXML(const TnString& name, int value);
    void storeXML(const TnString& name, long long value);
    void storeXML(const TnString& name, unsigned char value);
    void storeXML(const TnString& name, char value);
    void storeXML(const TnString& name, float value);
    void storeXML(const TnString& name, TnPack& sub);

    void restoreXML(const TnString& name, TnString& value);
    void restoreXML(const TnString& name, int& value);
    void restoreXML(const TnString& name, long long& value);
    void restoreXML(const TnString& name, unsigned char& value);
    void restoreXML(const TnString& name, char& value);
    void restoreXML(const TnString& name, float& value);
    void restoreXML(const TnString& name, TnPack& sub);

    void _packageXML();
    void _storeXML(const char* bytes, int n);
    void _tagXML(const TnString&, short) {}
    int _unpackXML(TnPackObj* node);

    // What the decoder sees: the tag under the cursor and the bytes left.
    short currentTag() const { return tag_; }
    short currentWire() const { return wire_; }
    bool consumed() const { return consumed_ != 0; }
    int remaining() const { return size_; }
    const TnPackObj* currentNode() const { return node_; }

    // Byte order: big-endian readers and writers, the only place that shifts bytes.
    static uint64_t htonll(uint64_t v);
    static int16_t _rc_int16(const char* p);
    static int32_t _rc_int32(const char* p);
    static int64_t _rc_int64(const char* p);
    static void _wc_int16(char* p, int16_t v);
    static void _wc_int32(char* p, int32_t v);
    static void _wc_int64(char* p, int64_t v);

    // Limits of the XML reader, past which a text is refused like a malformed one (4): nesting
    // deeper than kMaxXMLDepth elements, a text longer than kMaxXMLBytes, and a parse tree
    // plus decoded values that would take more than kXMLMemoryFactor bytes per byte of text
    // (and kXMLMemoryBase besides). Honest documents need about a dozen bytes per byte.
    static constexpr int kMaxXMLDepth = 256;
    static constexpr int kMaxXMLBytes = 64 * 1024 * 1024;
    static constexpr int kXMLMemoryFactor = 32;
    static constexpr int kXMLMemoryBase = 1024 * 1024;

protected:
    // For decoders with their own fields (the message content): marks the value as taken,
    // drops what is left, and moves the cursor.
    void markConsumed() { consumed_ = 1; }
    void dropRest();
    const char* cursor() const { return cursor_; }
    void advance(int n) {
        cursor_ += n;
        size_ -= n;
    }
    // Reads a 4-byte big-endian count at the cursor; false (and the rest dropped) when short.
    bool takeInt32(int32_t& out);
    // For XML decoders that create values (containers): accounts for the memory about to be
    // taken while unpackXML runs; false once the document's allowance is spent, and the
    // caller stops creating. Always true outside unpackXML.
    static bool _chargeXML(long long bytes);

private:
    bool matches(short tag, short wire) const { return tag_ == tag && wire_ == wire; }
    void storeString(short tag, const char* bytes, int n);
    void writeXMLLine(const TnString& name, const char* bytes, int n);
    void writeXMLIndent();
    void writeXMLObjectLine();

    char* buffer_ = nullptr;        // owned bytes being built
    const char* cursor_ = nullptr;  // read position while decoding (borrowed)
    int size_ = 0;                  // bytes written, or while decoding bytes left
    int capacity_ = 0;
    TnPackObj* node_ = nullptr;
    short tag_ = 0;
    short wire_ = 0;
    int consumed_ = 0;
    int depth_ = 0;
};

#endif
