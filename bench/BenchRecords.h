#ifndef TN_BENCH_BENCHRECORDS_H
#define TN_BENCH_BENCHRECORDS_H

// The shapes every pack benchmark measures: a record of 40 mixed fields (ints, strings, flags,
// 64-bit integers, characters) and a list of 1,000 short strings.

#include "core/TnStringList.h"
#include "protocol/TnRecord.h"

class BenchRecord : public TnRecord<BenchRecord> {
public:
    static constexpr int kTypeCode = 200;
    static constexpr const char* kTypeXML = "bench";
    static void fields(TnFieldTable<BenchRecord>& t) {
        t.field(1, "int_0", &BenchRecord::i0);
        t.field(2, "int_1", &BenchRecord::i1);
        t.field(3, "int_2", &BenchRecord::i2);
        t.field(4, "int_3", &BenchRecord::i3);
        t.field(5, "int_4", &BenchRecord::i4);
        t.field(6, "int_5", &BenchRecord::i5);
        t.field(7, "int_6", &BenchRecord::i6);
        t.field(8, "int_7", &BenchRecord::i7);
        t.field(9, "int_8", &BenchRecord::i8);
        t.field(10, "int_9", &BenchRecord::i9);
        t.field(11, "string_0", &BenchRecord::s0);
        t.field(12, "string_1", &BenchRecord::s1);
        t.field(13, "string_2", &BenchRecord::s2);
        t.field(14, "string_3", &BenchRecord::s3);
        t.field(15, "string_4", &BenchRecord::s4);
        t.field(16, "string_5", &BenchRecord::s5);
        t.field(17, "string_6", &BenchRecord::s6);
        t.field(18, "string_7", &BenchRecord::s7);
        t.field(19, "string_8", &BenchRecord::s8);
        t.field(20, "string_9", &BenchRecord::s9);
        t.field(21, "flag_0", &BenchRecord::f0);
        t.field(22, "flag_1", &BenchRecord::f1);
        t.field(23, "flag_2", &BenchRecord::f2);
        t.field(24, "flag_3", &BenchRecord::f3);
        t.field(25, "flag_4", &BenchRecord::f4);
        t.field(26, "flag_5", &BenchRecord::f5);
        t.field(27, "flag_6", &BenchRecord::f6);
        t.field(28, "flag_7", &BenchRecord::f7);
        t.field(29, "flag_8", &BenchRecord::f8);
        t.field(30, "flag_9", &BenchRecord::f9);
        t.field(31, "long_0", &BenchRecord::l0);
        t.field(32, "long_1", &BenchRecord::l1);
        t.field(33, "long_2", &BenchRecord::l2);
        t.field(34, "long_3", &BenchRecord::l3);
        t.field(35, "long_4", &BenchRecord::l4);
        t.field(36, "char_0", &BenchRecord::c0);
        t.field(37, "char_1", &BenchRecord::c1);
        t.field(38, "char_2", &BenchRecord::c2);
        t.field(39, "char_3", &BenchRecord::c3);
        t.field(40, "char_4", &BenchRecord::c4);
    }
    void fill() {
        i0 = 1000003 * 1;
        i1 = 1000003 * 2;
        i2 = 1000003 * 3;
        i3 = 1000003 * 4;
        i4 = 1000003 * 5;
        i5 = 1000003 * 6;
        i6 = 1000003 * 7;
        i7 = 1000003 * 8;
        i8 = 1000003 * 9;
        i9 = 1000003 * 10;
        s0 = "field text number 0";
        s1 = "field text number 1";
        s2 = "field text number 2";
        s3 = "field text number 3";
        s4 = "field text number 4";
        s5 = "field text number 5";
        s6 = "field text number 6";
        s7 = "field text number 7";
        s8 = "field text number 8";
        s9 = "field text number 9";
        f0 = 0;
        f1 = 1;
        f2 = 0;
        f3 = 1;
        f4 = 0;
        f5 = 1;
        f6 = 0;
        f7 = 1;
        f8 = 0;
        f9 = 1;
        l0 = 1234567890123LL * 1;
        l1 = 1234567890123LL * 2;
        l2 = 1234567890123LL * 3;
        l3 = 1234567890123LL * 4;
        l4 = 1234567890123LL * 5;
        c0 = 'a' + 0;
        c1 = 'a' + 1;
        c2 = 'a' + 2;
        c3 = 'a' + 3;
        c4 = 'a' + 4;
    }

    int i0;
    int i1;
    int i2;
    int i3;
    int i4;
    int i5;
    int i6;
    int i7;
    int i8;
    int i9;
    TnString s0;
    TnString s1;
    TnString s2;
    TnString s3;
    TnString s4;
    TnString s5;
    TnString s6;
    TnString s7;
    TnString s8;
    TnString s9;
    unsigned char f0;
    unsigned char f1;
    unsigned char f2;
    unsigned char f3;
    unsigned char f4;
    unsigned char f5;
    unsigned char f6;
    unsigned char f7;
    unsigned char f8;
    unsigned char f9;
    long long l0;
    long long l1;
    long long l2;
    long long l3;
    long long l4;
    char c0;
    char c1;
    char c2;
    char c3;
    char c4;
};

inline void fillBenchList(TnStringList& list) {
    list.clear();
    for (int i = 0; i < 1000; ++i) list.push(new TnString(TnString("host-name-") + i));
}

#endif
