// rt::TextInputStream: an owning handle over a TextInputStream object. Every
// operation is an entry point of runFileAccess.h, where the other streams are
// listed; rt::FolderItem (FolderItem.h) opens one.
#pragma once
#include "Common/Ref.h"
#include "Common/runFileAccess.h"
#include "Common/String.h"
#include "Common/TextEncoding.h"

namespace rt {

/// Owns one reference to a TextInputStream (or none).
class TextInputStream : public ObjectHandle<TextInputStream> {
public:
    using Handle::Handle;
    TextInputStream() noexcept = default;

    /// The next line without its ending, labelled with `encoding` or, when that
    /// is empty, the stream's.
    String readLine(const TextEncoding& encoding = {}) const {
        return String::adopt(TextInputStreamReadLine(get(), encoding.get()));
    }
    /// The next line, of which at most `limit` bytes are kept; `cut` tells
    /// whether the line was longer (its rest is read past).
    String readLine(size_t limit, bool& cut) const {
        return String::adopt(TextInputStreamReadLineWithin(get(), limit, &cut));
    }
    String read(int32_t count, const TextEncoding& encoding = {}) const {
        return String::adopt(TextInputStreamRead(get(), count, encoding.get()));
    }
    String readAll(const TextEncoding& encoding = {}) const {
        return String::adopt(TextInputStreamReadAll(get(), encoding.get()));
    }
    bool eof() const { return TextInputStreamEOF(get()); }
    int64_t position() const { return TextInputStreamGetPosition(get()); }
    void setPosition(int64_t position) const { TextInputStreamSetPosition(get(), position); }
    /// The `Encoding` property (empty means unknown).
    TextEncoding encoding() const { return TextEncoding::retain(fields().encoding); }
    void setEncoding(const TextEncoding& encoding) const { encoding.assignTo(fields().encoding); }
    void close() const { TextInputStreamClose(get()); }
    int32_t lastErrorCode() const { return TextInputStreamLastErrorGetter(get()); }

private:
    TextInputStreamFields& fields() const { return *ObjectFields<TextInputStreamFields>(get()); }
};

} // namespace rt
