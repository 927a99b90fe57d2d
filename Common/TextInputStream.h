// rt::TextInputStream: an owning handle over a TextInputStream object. Every
// operation is an entry point of runFileAccess.
#pragma once
#include "Common/Ref.h"
#include "Common/runFileAccess.h"
#include "Universal/String.h"

namespace rt {

/// Owns one reference to a TextInputStream (or none).
class TextInputStream : public ObjectHandle<TextInputStream> {
public:
    using Handle::Handle;
    TextInputStream() noexcept = default;


    /// The next line without its ending, labelled with `encoding` or the stream's.
    String readLine(RuntimeObject* encoding = nullptr) const {
        return String::adopt(TextInputStreamReadLine(get(), encoding));
    }
    String read(int32_t count, RuntimeObject* encoding = nullptr) const {
        return String::adopt(TextInputStreamRead(get(), count, encoding));
    }
    String readAll(RuntimeObject* encoding = nullptr) const {
        return String::adopt(TextInputStreamReadAll(get(), encoding));
    }
    bool eof() const { return TextInputStreamEOF(get()); }
    int64_t position() const { return TextInputStreamGetPosition(get()); }
    void setPosition(int64_t position) const { TextInputStreamSetPosition(get(), position); }
    /// The `Encoding` property, borrowed (nil means unknown).
    RuntimeObject* encoding() const { return ObjectFields<TextInputStreamFields>(get())->encoding; }
    /// Sets the `Encoding` property (borrowed; the stream takes its own reference).
    void setEncoding(RuntimeObject* encoding) const {
        RuntimeObject*& field = ObjectFields<TextInputStreamFields>(get())->encoding;
        RuntimeLockUnlockObjects(encoding, field);
        field = encoding;
    }
    void close() const { TextInputStreamClose(get()); }
    int32_t lastErrorCode() const { return TextInputStreamLastErrorGetter(get()); }

};

} // namespace rt
