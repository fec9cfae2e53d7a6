#ifndef TN_CORE_TNBASE_H
#define TN_CORE_TNBASE_H

// Common root of the library's classes. Every object can say what it is through its
// numeric type code, the same number by which the pack formats and the message registry
// know serialisable classes.
class TnBase {
public:
    virtual ~TnBase() = default;
    virtual int type() const = 0;
};

#endif
