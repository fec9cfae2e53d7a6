#include "protocol/TnCompress.h"

#include <zlib.h>

#include <cstring>
#include <new>

char* TnCompress::compact(int& outLength, const char* data, int n) {
    outLength = 0;
    if (n < 0 || (n > 0 && !data)) return nullptr;
    long long room = 2LL * n + 12;
    if (room > 0x7FFFFFFF) return nullptr;
    char* out = new (std::nothrow) char[room];
    if (!out) return nullptr;
    uLongf written = static_cast<uLongf>(room);
    if (compress(reinterpret_cast<Bytef*>(out), &written, reinterpret_cast<const Bytef*>(n ? data : ""),
                 static_cast<uLong>(n)) != Z_OK) {
        delete[] out;
        return nullptr;
    }
    outLength = static_cast<int>(written);
    return out;
}

char* TnCompress::uncompact(int& length, const char* data, int n, int* produced) {
    if (produced) *produced = 0;
    if (length < 0 || n <= 0 || !data) return nullptr;
    const long long limit = 2LL * length;
    if (limit > 0x7FFFFFFF) return nullptr;
    // Start small and double: a hostile header that promises much costs only what its
    // stream really inflates to.
    long long capacity = limit < 65536 ? limit : 65536;
    if (capacity < 1) capacity = 1;
    char* out = new (std::nothrow) char[capacity];
    if (!out) return nullptr;

    z_stream z;
    memset(&z, 0, sizeof z);
    if (inflateInit(&z) != Z_OK) {
        delete[] out;
        return nullptr;
    }
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z.avail_in = static_cast<uInt>(n);
    long long have = 0;
    int status = Z_OK;
    for (;;) {
        z.next_out = reinterpret_cast<Bytef*>(out + have);
        z.avail_out = static_cast<uInt>(capacity - have);
        status = inflate(&z, Z_NO_FLUSH);
        have = capacity - z.avail_out;
        if (status == Z_STREAM_END) break;
        if (status != Z_OK && status != Z_BUF_ERROR) break;
        if (z.avail_out != 0) {
            // Room was left but the stream stopped: the input ran out before its end.
            status = Z_DATA_ERROR;
            break;
        }
        if (capacity >= limit) {
            // Full at the limit: anything still to come would pass twice the expected size.
            status = Z_BUF_ERROR;
            break;
        }
        long long grown = capacity * 2 < limit ? capacity * 2 : limit;
        char* fresh = new (std::nothrow) char[grown];
        if (!fresh) {
            status = Z_MEM_ERROR;
            break;
        }
        memcpy(fresh, out, have);
        delete[] out;
        out = fresh;
        capacity = grown;
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END) {
        delete[] out;
        return nullptr;
    }
    if (produced) *produced = static_cast<int>(have);
    return out;
}
