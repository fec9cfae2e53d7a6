#ifndef TN_PROTOCOL_TNMESSAGE_H
#define TN_PROTOCOL_TNMESSAGE_H

#include "protocol/TnAddress.h"
#include "protocol/TnMacAddress.h"
#include "protocol/TnRecord.h"

// The unit every program of the farm sends and receives: a message type (the tag), who sent
// it, and at most one content record of any registered class. The receiver learns the
// content's class from the type code in front of its bytes and builds it through mapobj().
//
// The message owns its content: replacing, clear() and destruction destroy it, release()
// hands it to whoever holds the pointer from content().
class TnMessage : public TnRecord<TnMessage> {
public:
    static constexpr int kTypeCode = 7;
    static constexpr const char* kTypeXML = "message";
    static constexpr int kVersion = 530;
    static void fields(TnFieldTable<TnMessage>& t);

    TnMessage() : TnMessage(0) {}
    explicit TnMessage(int tag);
    TnMessage(const TnMessage& other);
    ~TnMessage() override;
    TnMessage& operator=(const TnMessage& other);

    // Copies the envelope but not the peer's address. A content is not copied: the copy gets a
    // new, empty record of the same class (and the debug log a complaint).
    void copy(const TnMessage& other) { TnRecord<TnMessage>::copy(other); }

    // Decodes a content under tag into *slot, building it from its announced type.
    virtual void restoreptr(short tag, TnPack** slot);

    // A new, empty object of the registered class for type, or null.
    static TnPack* mapobj(int type);
    // Whether a class with this type code may travel as content.
    static bool registered(int type);

    int tag() const { return tag_; }
    void tag(int t) { tag_ = t; }
    int version() const { return version_; }
    void version(int v) { version_ = v; }
    const TnString& user() const { return user_; }
    void user(const TnString& u) { user_ = u; }
    const TnString& domain() const { return domain_; }
    void domain(const TnString& d) { domain_ = d; }
    const TnString& tarndomain() const { return tarndomain_; }
    void tarndomain(const TnString& d) { tarndomain_ = d; }
    const TnString& tarnregion() const { return tarnregion_; }
    void tarnregion(const TnString& r) { tarnregion_ = r; }
    const TnAddress& address() const { return address_; }
    void address(const TnAddress& a) { address_ = a; }
    const TnMacAddress& macaddress() const { return macaddress_; }
    void macaddress(const TnMacAddress& m) { macaddress_ = m; }

    TnPack* content() const { return content_; }
    // Takes ownership of record (destroying a different content held so far).
    void content(TnPack* record);
    int contenttype() const { return contenttype_; }
    // Forgets the content without destroying it.
    void release() { content_ = nullptr; }
    void clear();

private:
    int tag_ = 0;
    TnAddress address_;
    TnMacAddress macaddress_;
    TnString user_;
    TnString domain_;
    TnString tarndomain_;
    TnString tarnregion_;
    int version_ = kVersion;
    int contenttype_ = 0;
    TnPack* content_ = nullptr;
};

#endif
