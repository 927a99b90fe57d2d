// rt::TextOutputStream: an owning handle over a TextOutputStream object. Every
// operation is an entry point of runFileAccess.
#pragma once
#include "Common/Ref.h"
#include "Common/runFileAccess.h"
#include "Universal/String.h"

namespace rt {

/// Owns one reference to a TextOutputStream (or none).
class TextOutputStream {
public:
    TextOutputStream() noexcept = default;
    /// Takes over the reference an entry point handed out.
    static TextOutputStream adopt(RuntimeObject* h) noexcept { return TextOutputStream(Ref<>::adopt(h)); }
    /// Adds a reference to a borrowed stream.
    static TextOutputStream retain(RuntimeObject* h) noexcept { return TextOutputStream(Ref<>::retain(h)); }

    RuntimeObject* get() const noexcept { return ref_.get(); }
    explicit operator bool() const noexcept { return bool(ref_); }

    void write(const String& s) const { TextOutputStreamWrite(get(), s.get()); }
    void writeLine(const String& s) const { TextOutputStreamWriteLine(get(), s.get()); }
    /// The `Delimiter` property (empty: LF).
    String delimiter() const { return String::retain(ObjectFields<TextOutputStreamFields>(get())->delimiter); }
    void setDelimiter(const String& delimiter) const {
        RTString& field = ObjectFields<TextOutputStreamFields>(get())->delimiter;
        RuntimeLockUnlockStrings(delimiter.get(), field);
        field = delimiter.get();
    }
    void flush() const { TextOutputStreamFlush(get()); }
    void close() const { TextOutputStreamClose(get()); }
    int32_t lastErrorCode() const { return TextOutputStreamLastErrorGetter(get()); }

private:
    explicit TextOutputStream(Ref<> ref) noexcept : ref_(std::move(ref)) {}
    Ref<> ref_;
};

} // namespace rt
