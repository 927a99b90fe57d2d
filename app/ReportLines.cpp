#include "app/ReportLines.h"

#include "Common/runBinaryStream.h"
#include "Common/runFileAccess.h"
#include "Common/StringFunctions.h"
#include "Universal/StringUtils.h"
#include "app/SafeText.h"

namespace {

const rt::String& cr() {
    static const rt::String text("\r");
    return text;
}

// The text with 22 blanks added, cut to its first 22 characters. A name that
// is no UTF-8 comes from an 8-bit character set (CP866, Latin-1), where each
// byte is one character.
rt::String padded22(const rt::String& text) {
    rt::String padded = Replaced(text) + rt::String("                      ");
    return IsUtf8(text) ? rt::left(padded, 22) : rt::leftBytes(padded, 22);
}

// The decimal text with 10 blanks put in front, cut to its last 10 characters.
rt::String rightAligned10(int64_t value) {
    rt::String digits = rt::decimal(value);
    return rt::right(rt::String("          ") + digits, 10);
}

using rt::decimal;

void line(const rt::BinaryStream& packet, const rt::String& text) { packet.write(text + cr()); }

const rt::String& seventeenBlanks() {
    static const rt::String text("                 ");
    return text;
}

} // namespace

void WriteReportHeading(const rt::BinaryStream& packet) {
    line(packet, rt::String("File Request Report ") + cr());
    line(packet, "Request               File Sent                   Size");
    line(packet, "------------          ------------          ----------");
}

void WriteGrantedLine(const rt::BinaryStream& packet, const rt::String& request, const rt::String& file, int64_t length,
                      const rt::String& description) {
    // A name is cut to its column; a path (a file below an area's folder) is
    // given whole, as the requester needs it to tell the files apart.
    rt::String column = rt::inStr(1, file, "/") == 0 ? padded22(file) : Replaced(file) + rt::String(" ");
    rt::String described = description.empty() ? rt::String() : rt::String("  ") + Replaced(description);
    line(packet, padded22(request) + column + rightAligned10(length) + described);
}

void WriteInvalidCharactersLine(const rt::BinaryStream& packet, const rt::String& request) {
    line(packet, padded22(request) + rt::String("Invalid Characters in Request"));
}

void WriteTooLongLine(const rt::BinaryStream& packet, const rt::String& request) {
    line(packet, padded22(request) + rt::String("Request Name Too Long"));
}

void WriteLineTooLongLine(const rt::BinaryStream& packet, const rt::String& excerpt) {
    line(packet, padded22(excerpt) + rt::String("Request Line Too Long"));
}

void WriteNotProcessedLine(const rt::BinaryStream& packet, int64_t count, const rt::String& why) {
    line(packet, decimal(count) + rt::String(" More Requests Not Processed (") + Replaced(why) + rt::String(")"));
}

void WriteByteLimitLine(const rt::BinaryStream& packet, const rt::String& request, const rt::String& file, int64_t left,
                        ByteLimit which) {
    line(packet, padded22(request) + padded22(file) +
                     rt::String(which == ByteLimit::Session ? "Over Byte Limit, " : "Over Daily Byte Limit, ") +
                     decimal(left) + rt::String(" Bytes Left"));
}

void WriteNotUpdatedLine(const rt::BinaryStream& packet, const rt::String& request, const rt::String& file, bool newer) {
    line(packet, padded22(request) + padded22(file) + rt::String(newer ? "Not Newer" : "Not Older"));
}

void WriteAreaRefusedLine(const rt::BinaryStream& packet, const rt::String& request, const char* refusal) {
    line(packet, padded22(request) + rt::String(refusal));
}

void WriteDailyLimitLine(const rt::BinaryStream& packet, const rt::String& request, const rt::String& why) {
    line(packet, padded22(request) + Replaced(why));
}

void WriteLimitLine(const rt::BinaryStream& packet, const rt::String& request) {
    line(packet, Replaced(request) + seventeenBlanks() + rt::String("File Request Limit Exceeded"));
}

void WriteBadPasswordLine(const rt::BinaryStream& packet, const rt::String& request) {
    line(packet, Replaced(request) + seventeenBlanks() + rt::String("Bad or Missing Password"));
}

void WriteNotFoundLine(const rt::BinaryStream& packet, const rt::String& request) {
    line(packet, padded22(request) + rt::String("File Not Found"));
}

void WriteTotals(const rt::BinaryStream& packet, int32_t files, int64_t bytes) {
    line(packet, cr() + rt::String("Totals for this session") + cr() + rt::String("Files: ") + decimal(files) +
                     rt::String("   Bytes: ") + decimal(bytes));
}

void WriteNotServedLine(const rt::BinaryStream& packet, NotServed which) {
    const char* what = which == NotServed::All ? "Your requests could not be served" : "Some requests could not be served";
    line(packet, cr() + rt::String(what) +
                     rt::String(" for a fault here; the sysop has been told"));
}

void WriteFilesHint(const rt::BinaryStream& packet) {
    line(packet, cr() + rt::String("Request 'FILES' for a complete list of the files available here"));
}
