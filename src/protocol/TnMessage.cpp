#include "protocol/TnMessage.h"

#include "config/TnConfig.h"
#include "config/TnConfigList.h"
#include "core/TnIntHash.h"
#include "core/TnStringHash.h"
#include "core/TnStringList.h"
#include "core/TnTime.h"
#include "diag/TnDebug.h"
#include "diag/TnError.h"
#include "diag/TnOldError.h"
#include "protocol/TnDomain.h"
#include "protocol/TnFile.h"
#include "protocol/TnFileList.h"
#include "protocol/TnHostname.h"
#include "protocol/TnHostnameList.h"

namespace {

template <class T>
TnPack* make() {
    return new T;
}

struct Row {
    int type;
    TnPack* (*make)();
};

// Every class that may travel as message content, by type code: one row per class. A class
// without a row cannot be received, and a content of such a class is never destroyed by a
// message (it is not the message's to know how).
const Row kRegistry[] = {
    {33, make<TnTime>},
    {50, make<TnConfig>},
    {51, make<TnConfigList>},
    {52, make<TnOldError>},
    {55, make<TnStringList>},
    {56, make<TnStringHash>},
    {62, make<TnDomain>},
    {63, make<TnHostname>},
    {64, make<TnHostnameList>},
    {105, make<TnFile>},
    {119, make<TnFileList>},
    {155, make<TnMacAddress>},
    {175, make<TnError>},
    {176, make<TnIntHash>},
};

constexpr int kHighestCode = 205;

struct Index {
    TnPack* (*byType[kHighestCode + 1])() = {};
    Index() {
        for (const Row& row : kRegistry)
            if (row.type >= 1 && row.type <= kHighestCode) byType[row.type] = row.make;
    }
};

const Index& registry() {
    static const Index index;
    return index;
}

void logError(const char* text, int code, const char* tail) {
    if (!tn_debug_on(TnDebug::kError)) return;
    tn_debug_obj().lock();
    tn_debug_obj() << text << code << tail << "\n";
    tn_debug_obj().unlock();
}

}  // namespace

void TnMessage::fields(TnFieldTable<TnMessage>& t) {
    t.field(1, "tag", &TnMessage::tag_);
    t.field(2, "user", &TnMessage::user_);
    t.field(5, "domain", &TnMessage::domain_);
    t.field(6, "mac_address", &TnMessage::macaddress_);
    t.field(4, "content_type", &TnMessage::contenttype_);
    // The content sits between its type and the version; it is written only when present. In
    // XML it is read only into a content the caller put in place beforehand.
    t.custom(3, "content",
             {[](TnMessage& m) {
                  if (m.content_) m.store(3, *m.content_);
              },
              [](TnMessage& m) { m.restoreptr(3, &m.content_); },
              [](TnMessage& m) {
                  if (m.content_) m.storeXML("content", *m.content_);
              },
              [](TnMessage& m) {
                  if (m.content_) m.restoreXML("content", *m.content_);
              },
              [](TnMessage& dst, const TnMessage& src) {
                  dst.clear();
                  if (!src.content_) return;
                  dst.content_ = mapobj(dst.contenttype_);
                  tn_debug_line(TnDebug::kError, "ERROR: using message copy");
              }});
    t.field(7, "version", &TnMessage::version_, kVersion);
    t.field(8, "tarn_domain", &TnMessage::tarndomain_);
    t.field(9, "tarn_region", &TnMessage::tarnregion_);
}

TnMessage::TnMessage(int tag) { tag_ = tag; }

TnMessage::TnMessage(const TnMessage& other) : TnRecord<TnMessage>() { copy(other); }

TnMessage::~TnMessage() { clear(); }

TnMessage& TnMessage::operator=(const TnMessage& other) {
    copy(other);
    return *this;
}

void TnMessage::content(TnPack* record) {
    if (record != content_) clear();
    content_ = record;
    if (record) contenttype_ = record->type();
}

void TnMessage::clear() {
    if (!content_) return;
    int code = content_->type();
    if (registered(code)) {
        delete content_;
    } else {
        logError("ERROR: possible memory leak in message module; content-type[", code, "]");
    }
    content_ = nullptr;
}

bool TnMessage::registered(int type) { return type >= 1 && type <= kHighestCode && registry().byType[type]; }

TnPack* TnMessage::mapobj(int type) {
    if (!registered(type)) {
        logError("trying to decode unregistered class: ", type, "");
        return nullptr;
    }
    return registry().byType[type]();
}

void TnMessage::restoreptr(short tag, TnPack** slot) {
    if (currentTag() != tag || currentWire() != kObject) return;
    int32_t code = 0, length = 0;
    if (!takeInt32(code)) return;
    clear();
    TnPack* obj = mapobj(code);
    if (!obj) return dropRest();
    if (obj->type() != code || !takeInt32(length) || length < 0 || length > remaining()) {
        delete obj;
        return dropRest();
    }
    obj->_unpack(cursor(), length);
    advance(length);
    *slot = obj;
    markConsumed();
}
