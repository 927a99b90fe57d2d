// The report packet: its name, the date text of its message, and the bytes
// that open and end it.
#pragma once
#include "Common/BinaryStream.h"
#include "Common/Date.h"
#include "Common/String.h"

/// The twelve month abbreviations, five characters apart with a blank on each side.
extern const char* const kMonthTable;

/// "DD Mon YY  HH:MM:SS": the message date text, without its NUL.
rt::String PacketDateText(const rt::Date& date);

/// The packet's file name for a date: its TotalSeconds' low 32 bits in hexadecimal, then ".Pkt".
rt::String PacketFileName(const rt::Date& date);

/// The name after `name` in the packet numbering: its number plus one (wrapping at 32 bits).
rt::String NextPacketFileName(const rt::String& name);

/// Writes the packet's fixed part: both headers, the to-name, the from-name, the
/// subject and, for a report to a point, the FMPT/TOPT kludge lines.
void WritePacketStart(RuntimeObject* app, const rt::BinaryStream& packet, const rt::String& ownAddress);

/// Ends the message text (NUL) and the packet (two zero bytes).
void WritePacketEnd(const rt::BinaryStream& packet);
