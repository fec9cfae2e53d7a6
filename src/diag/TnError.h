#ifndef TN_DIAG_TNERROR_H
#define TN_DIAG_TNERROR_H

#include "diag/TnMacro.h"
#include "protocol/TnRecord.h"

// A numbered error with named variables. The number picks a text template and the variables
// fill it in; "ERROR" by convention carries the operating system's text. Codes 1 to 40 come
// from connections, 1039 to 1051 from the server, 2051 to 4072 from the farm's services and
// workers, and 100000 carries a free text in ERROR. -1 means no error.
class TnError : public TnRecord<TnError> {
public:
    static constexpr int kTypeCode = 175;
    static constexpr const char* kTypeXML = "err";
    static void fields(TnFieldTable<TnError>& t) {
        t.field(1, "number", &TnError::number_, -1);
        t.field(2, "values", &TnError::values_);
    }

    TnError() { resetFields(); }
    explicit TnError(int number);

    // The text for the number with the variables filled in.
    TnString value() const;
    void value(int number) { number_ = number; }
    int integervalue() const { return number_; }

    void set(const TnString& name, const TnString& value) { values_.set(name, value); }
    const TnMacro& values() const { return values_; }
    void values(const TnMacro& v) { values_ = v; }

    // The unexpanded template of a number; "general error" for numbers without their own.
    static const char* templ(int number);

private:
    int number_;
    TnMacro values_;
};

// Ends the program: writes "Error: " and the code (or "OldError: " and the text) and a line
// feed to standard error, then exits with status 1.
[[noreturn]] void FATALERROR(int code);
[[noreturn]] void FATALERROR(const char* text);
[[noreturn]] void FATALERROR(const TnString& text);

#endif
