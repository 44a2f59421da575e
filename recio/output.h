// Console output records.
//
// An output statement is BeginWrite, one Put call per item in order, and
// EndWrite. Every record starts with a carriage-control character that is
// not shown; the line end of a record is written when the next one begins.
//
//   BeginWrite(kDefaultUnit);                 // free-form
//   PutCharacter("Area under the curve (peak area?) =");
//   PutReal(12.5f);
//   EndWrite();   // CR LF (if a line is open), the 35 characters, "      12.500000"
//
//   BeginWrite(kDefaultUnit, "(' Please enter the name of your data file: ',$)");
//   EndWrite();   // the prompt; the reply is typed on the same line
//
//   BeginWrite(Unit::Number(6), "(A)");       // a record made of one text
//   PutCharacter(" *** WARNING  ERROR 2 from QDAGS.");
//   EndWrite();
//
// Carriage control (the record's first character, against the line-open
// mark): "+" CR; "0" CR LF, or CR LF CR LF on an open line; "1" CR LF FF CR
// blank CR; anything else CR LF on an open line, nothing otherwise. After a
// statement that ended at `$` the next record continues the line with its
// first character shown. An empty record is written as one blank. A record
// longer than 132 bytes is handed over in 132-byte pieces, only the first
// under carriage control.
//
// Free-form statements: a record is a blank and at most 79 more columns.
// Character items go in exactly; reals are right-justified in 15 columns (16
// right after another real); integers in 11. An item fits when its width is
// less than the columns left. A character item that does not fit is split
// across records; a numeric item that does not fit starts a new record with
// its whole field (its first column serving as carriage control).
//
// Formatted statements understand 'text' and "text" (a doubled delimiter is
// one), nX, /, $ and backslash, A, Aw, rAw, Iw (I or I0: as many columns as
// the digits need; too narrow a field is filled with asterisks) and r(...)
// groups. Items left when the format ends use it again from its last
// top-level group (or its start) in a new record; an item for which the
// format has no descriptor is dropped. An item of another type than its
// descriptor is laid out from its text: an integer's digits, a real's
// free-form text.
//
// A BeginWrite while a statement is in progress ends that statement first;
// items and EndWrite outside a statement are ignored.
//
// Units `*`, 6 and 0 write the console; so does every other unit number in
// -32767..32767 (the program connects no unit for output). A unit number
// outside that range ends the run with run-time error 6314.
#pragma once

#include <cstdint>
#include <string_view>

#include "recio/realtext.h"
#include "recio/unit.h"

namespace zel::recio {

void BeginWrite(Unit unit);                           // free-form statement
void BeginWrite(Unit unit, std::string_view format);  // formatted statement
void PutCharacter(std::string_view text);
void PutReal(float value);
void PutInteger(std::int32_t value);
int EndWrite();

}  // namespace zel::recio
