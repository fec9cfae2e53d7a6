#ifndef TN_PROTOCOL_TNCOMPRESS_H
#define TN_PROTOCOL_TNCOMPRESS_H

#include "core/TnBase.h"

// zlib at its default level, as the TCP frame carries it. Both operations hand back a new
// array that the caller releases with delete[].
class TnCompress : public TnBase {
public:
    int type() const override { return 0; }

    // Compresses n bytes into an array of 2 * n + 12 bytes; outLength receives the compressed
    // length. Null (outLength 0) when compression fails.
    char* compact(int& outLength, const char* data, int n);

    // Decompresses n bytes that should expand to `length` bytes (length is not changed).
    // Output beyond twice the expected size is refused, so the result never holds more than
    // 2 * length bytes; the array grows with the output actually produced rather than being
    // sized from the (untrusted) expectation up front. Null when the stream is bad, truncated
    // or too large. When produced is given it receives the number of bytes decompressed.
    char* uncompact(int& length, const char* data, int n, int* produced = nullptr);
};

#endif
