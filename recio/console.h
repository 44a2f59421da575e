// The console connection: buffered bytes to standard output and the two
// marks that every console record, console read, report and stop consult.
//
//   line_open       a record has been written and its line end is still owed
//                   (it is written when the next record begins);
//   line_continued  the last formatted statement ended at `$`: the next record
//                   continues the same line, its first character shown.
//
// When standard input and standard output are both terminals, console reads
// share this connection and change its marks; otherwise they never touch them.
#pragma once

#include <string_view>

namespace zel::recio {

struct ConsoleMarks {
  bool line_open = false;
  bool line_continued = false;
};

// The marks of the one console connection of the process.
ConsoleMarks& Console();

// True when standard input and standard output are both terminals, so that
// console input and output are one connection. Decided at first use.
bool ConsoleShared();

// Appends bytes to the console output buffer (a whole record at a time).
void ConsoleWrite(std::string_view bytes);

// Hands everything buffered to standard output. Done before every console
// read, before the pause runs a command, and at process end. The first write
// that standard output refuses ends the run with run-time error 6419
// (": WRITE(CON)"); console output is dropped from then on.
void ConsoleFlush();

// Ends an open console line: CR LF when the line-open mark is set. The mark
// stays set.
void EndOpenLine();

}  // namespace zel::recio
