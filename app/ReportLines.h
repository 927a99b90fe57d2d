// The lines of the report message, each ended by a carriage return alone.
// Names are written with their control bytes replaced, so that a remote's
// request can neither end a line early nor start a kludge line.
#pragma once
#include <cstdint>

#include "Common/BinaryStream.h"
#include "Common/String.h"

/// Title, column heading and ruler that open the report.
void WriteReportHeading(const rt::BinaryStream& packet);
/// A granted file: request name, file name and length in their columns, then
/// its description when it has one.
void WriteGrantedLine(const rt::BinaryStream& packet, const rt::String& request, const rt::String& file, int64_t length,
                      const rt::String& description = {});
/// A request whose name holds a path separator or "..".
void WriteInvalidCharactersLine(const rt::BinaryStream& packet, const rt::String& request);
/// A request whose name is longer than any file name can be.
void WriteTooLongLine(const rt::BinaryStream& packet, const rt::String& request);
/// A request line longer than any request can be (shown by its excerpt).
void WriteLineTooLongLine(const rt::BinaryStream& packet, const rt::String& excerpt);
/// The count of request lines a session did not reach, and `why` (as "at most 256 a session").
void WriteNotProcessedLine(const rt::BinaryStream& packet, int64_t count, const rt::String& why);
/// Which byte limit kept a file back.
enum class ByteLimit { Session, Daily };
/// A file the request found but a byte limit kept back, and the bytes left.
void WriteByteLimitLine(const rt::BinaryStream& packet, const rt::String& request, const rt::String& file, int64_t left,
                        ByteLimit which);
/// A file an update request asked for only if newer (or older) than it is.
void WriteNotUpdatedLine(const rt::BinaryStream& packet, const rt::String& request, const rt::String& file, bool newer);
/// A request whose files lie in an area this caller may not have, and who may (`refusal`).
void WriteAreaRefusedLine(const rt::BinaryStream& packet, const rt::String& request, const char* refusal);
/// The request that met the caller's daily file limit, or found its counts unusable (`why`).
void WriteDailyLimitLine(const rt::BinaryStream& packet, const rt::String& request, const rt::String& why);
/// The request that met the session's file limit.
void WriteLimitLine(const rt::BinaryStream& packet, const rt::String& request);
/// A request that found protected files only, without their password.
void WriteBadPasswordLine(const rt::BinaryStream& packet, const rt::String& request);
/// A request that found nothing.
void WriteNotFoundLine(const rt::BinaryStream& packet, const rt::String& request);
/// The session totals.
void WriteTotals(const rt::BinaryStream& packet, int32_t files, int64_t bytes);
/// How many of a session's requests a fault of this system kept from being served.
enum class NotServed { All, Some };
/// Requests that could not be served for a fault of this system, which its log records.
void WriteNotServedLine(const rt::BinaryStream& packet, NotServed which);
/// The hint that a list of all files can be requested.
void WriteFilesHint(const rt::BinaryStream& packet);
