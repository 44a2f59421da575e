// Process entry: records the command line, sets up the floating-point
// environment and runs the program once. The program ends the process
// itself (stop or run-time error); should it return, the run ends with
// exit status 0 like a stop without message.
#pragma once

namespace zel::runtime {

[[noreturn]] void Run(int argc, char** argv, void (*program)());

}  // namespace zel::runtime
