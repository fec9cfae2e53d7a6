#ifndef TN_PROTOCOL_TNFILE_H
#define TN_PROTOCOL_TNFILE_H

#include "protocol/TnRecord.h"

// A file as it travels: its name, where it came from and its bytes. The class also holds
// the small whole-file helpers the library uses for caches, offsets and archives; they never
// fail loudly, they answer false, 0 or -1.
class TnFile : public TnRecord<TnFile> {
public:
    static constexpr int kTypeCode = 105;
    static constexpr const char* kTypeXML = "file";
    static void fields(TnFieldTable<TnFile>& t) {
        t.field(1, "name", &TnFile::name_);
        t.field(2, "source", &TnFile::source_);
        t.field(3, "data", &TnFile::data_);
    }

    // Files larger than this are not loaded: nothing the library keeps on disk comes near it.
    static constexpr long long kMaxLoadBytes = 256LL * 1024 * 1024;

    TnFile() = default;
    explicit TnFile(const TnString& name) : name_(name) {}

    const TnString& name() const { return name_; }
    void name(const TnString& n) { name_ = n; }
    const TnString& source() const { return source_; }
    void source(const TnString& s) { source_ = s; }
    const TnString& data() const { return data_; }
    void data(const TnString& d) { data_ = d; }

    // Fills data from the file called name; false (and empty data) when it cannot be read.
    bool load() { return load(name_, data_); }

    // True when something exists at path (a file, a directory, ...).
    static bool exists(const TnString& path);
    // Size in bytes, -1 when the path cannot be examined.
    static long long size(const TnString& path);
    // Last modification in whole seconds since the Unix epoch; 0 when it cannot be examined.
    static long long mtime(const TnString& path);
    // Reads a regular file whole. A file that cannot be read (or is larger than
    // kMaxLoadBytes) loads as the empty text and the result is false.
    static bool load(const TnString& path, TnString& out);
    // Replaces the file's contents with text, creating it when missing.
    static bool save(const TnString& path, const TnString& text);
    // Replaces the file by a new one written beside it and renamed over it: readers never see
    // half a file, and a symbolic link planted at path (in a shared /tmp) is replaced rather
    // than followed.
    static bool replace(const TnString& path, const TnString& text);
    // Adds text at the end of the file, creating it when missing.
    static bool append(const TnString& path, const TnString& text);
    static bool remove(const TnString& path);
    // Creates the file when missing, otherwise sets its modification time to now.
    static bool touch(const TnString& path);

private:
    TnString name_;
    TnString source_;
    TnString data_;
};

#endif
