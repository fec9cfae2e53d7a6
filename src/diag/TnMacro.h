#ifndef TN_DIAG_TNMACRO_H
#define TN_DIAG_TNMACRO_H

#include "core/TnStringHash.h"
#include "protocol/TnRecord.h"

// Named text variables and the expansion of templates that refer to them as $NAME or
// $(NAME). A name that is neither a variable nor known to the resolver expands to nothing;
// there is no way to write a literal "$".
class TnMacro : public TnRecord<TnMacro> {
public:
    // Produces a value for a name the variables lack; false when it has none either.
    using Resolver = bool (*)(const TnString& name, TnString& out);

    static constexpr int kTypeCode = 98;
    static constexpr const char* kTypeXML = "macro";
    static void fields(TnFieldTable<TnMacro>& t) { t.field(1, "value", &TnMacro::variables_); }

    TnMacro() { resetFields(); }

    void set(const TnString& name, const TnString& value);
    void set(Resolver resolver) { resolver_ = resolver; }
    Resolver resolver() const { return resolver_; }
    // The variable's value; false (out unchanged) when there is no such variable.
    bool get(const TnString& name, TnString& out) const;
    const TnStringHash& variables() const { return variables_; }

    TnString parse(const TnString& templ) const;

private:
    bool _lookup(const TnString& name, TnString& out) const;

    TnStringHash variables_;
    Resolver resolver_ = nullptr;  // travels with copies, never with the packed forms
};

#endif
