// The two informational options. `zelvantor --help` prints a short usage
// text and `zelvantor --version` the version line, each on standard output
// with LF line ends, and the run ends there with exit status 0 (1 when the
// text cannot be written). They are recognised only as the single argument;
// any other command line keeps its meaning (the first argument is the file
// name a blank reply takes).
#pragma once

namespace zel::app {

// Prints the text of an informational option when the command line is just
// that option, and says whether it did; the caller then ends with status 0.
bool AnswerInformationalOption(int argc, const char* const* argv);

}  // namespace zel::app
