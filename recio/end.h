// Program end: the pause and the stop, and the console line reader that the
// pause and the blank-name prompt share.
//
// The stop ends an open console line, writes "Stop - Program terminated."
// and CR LF, and ends the process: exit status 0 after the normal end of a
// run, 2 when the stop follows an error (too many points, a stopping error
// of the error service). The texts are the same either way.
#pragma once

#include <string>

namespace zel::recio {

enum class StopStatus { kNormal = 0, kAfterError = 2 };

[[noreturn]] void Stop(StopStatus status = StopStatus::kNormal);

// Ends an open line, writes the pause prompt, reads one reply line and hands
// a reply of two or more characters (trailing blanks and tabs removed) to the
// command interpreter, flushing the console first; a reply holding a NUL byte
// runs nothing. End of redirected input here ends the run with run-time error
// 6501 naming "CON"; a reply longer than a command line can be (more than
// kLongestConsoleLine bytes) runs nothing and ends the run with 6407.
void Pause();

// Reads one line from the console input stream: its characters without the
// line end (LF, CR LF or a lone CR), at most `limit` of them (the rest of a
// longer line is read and dropped). Returns false at end of input with
// nothing read. A line longer than kLongestConsoleLine ends the run with
// run-time error 6407 (": READ(CON)"), whatever the limit.
bool ReadConsoleLine(std::string& line, std::size_t limit);

}  // namespace zel::recio
