// The text reader's ReadLine, Read and SetPosition over arbitrary bytes,
// checked against a plain model of the whole text. Seeks to any offset and
// reads of any length put line ends, CR LF pairs and split 16-bit units at
// every place relative to the reader's block boundaries.
#include <cstring>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "Universal/FileStreams.h"

namespace {

/// The reader's behaviour on the whole text with a cursor.
class Model {
public:
    explicit Model(std::string text) : text_(std::move(text)) {}

    std::string readLine(size_t unit) {
        if (at_ >= text_.size()) return {};
        size_t end = at_;
        while (end + unit <= text_.size() && !isEnd(end, unit, '\r') && !isEnd(end, unit, '\n')) end += unit;
        if (end + unit > text_.size()) {
            // No line end: the rest, with any odd byte a 16-bit scan left over.
            std::string rest = text_.substr(at_);
            at_ = text_.size();
            return rest;
        }
        std::string line = text_.substr(at_, end - at_);
        bool carriageReturn = isEnd(end, unit, '\r');
        at_ = end + unit;
        if (carriageReturn && at_ + unit <= text_.size() && isEnd(at_, unit, '\n')) at_ += unit;
        return line;
    }
    std::string read(size_t count) {
        std::string bytes = at_ < text_.size() ? text_.substr(at_, count) : std::string();
        at_ += bytes.size();
        return bytes;
    }
    void seek(size_t offset) { at_ = offset; }
    size_t position() const { return at_; }

private:
    // Whether the unit at `at` is the character `c` (16-bit units in host order).
    bool isEnd(size_t at, size_t unit, char c) const {
        if (unit == 1) return text_[at] == c;
        uint16_t value;
        std::memcpy(&value, text_.data() + at, 2);
        return value == uint16_t(c);
    }

    std::string text_;
    size_t at_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const size_t unit = input.ConsumeBool() ? 2 : 1;
    const size_t operations = input.ConsumeIntegralInRange<size_t>(0, 32);
    std::string ops = input.ConsumeBytesAsString(operations * 3);
    std::string text = input.ConsumeRemainingBytesAsString();

    auto file = std::make_unique<UnixDataFile>();
    if (!file->OpenTemporary(nullptr) || !file->Write(text.data(), text.size()) || !file->SetPosition(0)) return 0;
    TextReader reader(std::move(file));
    Model model(text);

    auto check = [&] {
        FuzzCheck(reader.Position() == int64_t(model.position()), "Position follows the model");
        FuzzCheck(reader.AtEnd() == (model.position() >= text.size()), "AtEnd follows the model");
    };
    FuzzedDataProvider steps(reinterpret_cast<const uint8_t*>(ops.data()), ops.size());
    while (steps.remaining_bytes()) {
        const uint8_t kind = steps.ConsumeIntegral<uint8_t>() % 4;
        if (kind == 1) {
            size_t count = steps.ConsumeIntegralInRange<size_t>(0, 2 * TextReader::kBufferSize);
            FuzzCheck(reader.Read(count) == model.read(count), "Read gives the model's bytes");
        } else if (kind == 2) {
            size_t offset = steps.ConsumeIntegralInRange<size_t>(0, text.size() + 2);
            reader.SetPosition(int64_t(offset));
            model.seek(offset);
        } else if (kind == 3) {
            // A bounded read keeps the whole line's first `limit` bytes (whole units) and ends where it ends.
            size_t limit = steps.ConsumeIntegralInRange<size_t>(0, 3 * TextReader::kBufferSize);
            bool cut = false;
            std::string kept = reader.ReadLine(unit, limit, &cut);
            std::string line = model.readLine(unit);
            size_t bound = limit - limit % unit;
            FuzzCheck(cut == (line.size() > limit), "ReadLine says when it cut the line");
            FuzzCheck(kept == (cut ? line.substr(0, bound) : line), "ReadLine keeps the line's start");
        } else {
            FuzzCheck(reader.ReadLine(unit) == model.readLine(unit), "ReadLine gives the model's line");
        }
        check();
    }
    // The rest line by line; each line takes at least one unit.
    for (size_t lines = 0; lines <= text.size() && !reader.AtEnd(); ++lines) {
        FuzzCheck(reader.ReadLine(unit) == model.readLine(unit), "ReadLine gives the model's line");
        check();
    }
    return 0;
}
