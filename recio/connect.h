// The data-file connection of unit 4.
//
// Connect strips blanks (spaces only; a tab stays part of the name) from
// the name. A blank name takes the first unused command-line argument, or
// else prompts "File name missing or blank - please enter file name" /
// "UNIT 4? " until a non-blank line comes. The file is opened for reading and
// writing, falling back to reading only and then writing only, and rewound.
// A file that does not exist is not created. A name longer than 259
// characters is neither cut nor opened: run-time error 6412. On failure the
// run ends with the run-time error report (": OPEN(", the name, ")") and
// exit status 1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zel::recio {

void Connect(std::int32_t unit, std::string_view name);

// The name unit 4 is connected to ("" when it is not connected).
const std::string& ConnectedName(std::int32_t unit);

}  // namespace zel::recio
