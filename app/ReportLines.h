// The lines of the report message, each ended by a carriage return alone.
// Names are written with their control bytes replaced, so that a remote's
// request can neither end a line early nor start a kludge line.
#pragma once
#include <cstdint>

#include "Common/Forward.h"
#include "Universal/String.h"

/// Title, column heading and ruler that open the report.
void WriteReportHeading(RuntimeObject* packet);
/// A granted file: request name, file name and length in their columns.
void WriteGrantedLine(RuntimeObject* packet, const rt::String& request, const rt::String& file, int64_t length);
/// A request whose name holds a path separator or "..".
void WriteInvalidCharactersLine(RuntimeObject* packet, const rt::String& request);
/// A request whose name is longer than any file name can be.
void WriteTooLongLine(RuntimeObject* packet, const rt::String& request);
/// The count of request lines left unread when a session reached its limit of requests.
void WriteNotProcessedLine(RuntimeObject* packet, int64_t count, int32_t limit);
/// The request that met the session's file limit.
void WriteLimitLine(RuntimeObject* packet, const rt::String& request);
/// A request that found protected files only, without their password.
void WriteBadPasswordLine(RuntimeObject* packet, const rt::String& request);
/// A request that found nothing.
void WriteNotFoundLine(RuntimeObject* packet, const rt::String& request);
/// The session totals.
void WriteTotals(RuntimeObject* packet, int32_t files, int64_t bytes);
/// The hint that a list of all files can be requested.
void WriteFilesHint(RuntimeObject* packet);
