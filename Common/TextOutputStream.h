// rt::TextOutputStream: an owning handle over a TextOutputStream object. Every
// operation is an entry point of runFileAccess.h, where the other streams are
// listed; rt::FolderItem (FolderItem.h) opens one.
#pragma once
#include "Common/Ref.h"
#include "Common/runFileAccess.h"
#include "Common/String.h"

namespace rt {

/// Owns one reference to a TextOutputStream (or none).
class TextOutputStream : public ObjectHandle<TextOutputStream> {
public:
    using Handle::Handle;
    TextOutputStream() noexcept = default;

    void write(const String& s) const { TextOutputStreamWrite(get(), s.get()); }
    void writeLine(const String& s) const { TextOutputStreamWriteLine(get(), s.get()); }
    /// The `Delimiter` property (empty: LF).
    String delimiter() const { return String::retain(fields().delimiter); }
    void setDelimiter(const String& delimiter) const { delimiter.assignTo(fields().delimiter); }
    void flush() const { TextOutputStreamFlush(get()); }
    void close() const { TextOutputStreamClose(get()); }
    int32_t lastErrorCode() const { return TextOutputStreamLastErrorGetter(get()); }

private:
    TextOutputStreamFields& fields() const { return *ObjectFields<TextOutputStreamFields>(get()); }
};

} // namespace rt
