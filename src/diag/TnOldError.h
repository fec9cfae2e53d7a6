#ifndef TN_DIAG_TNOLDERROR_H
#define TN_DIAG_TNOLDERROR_H

#include "protocol/TnRecord.h"

// The older error form: just a text. Still sent by programs that predate TnError.
class TnOldError : public TnRecord<TnOldError> {
public:
    static constexpr int kTypeCode = 52;
    static constexpr const char* kTypeXML = "error";
    static void fields(TnFieldTable<TnOldError>& t) { t.field(1, "value", &TnOldError::value_); }

    TnOldError() { resetFields(); }
    explicit TnOldError(const TnString& text);

    const TnString& value() const { return value_; }
    void value(const TnString& text) { value_ = text; }

private:
    TnString value_;
};

#endif
