#include "app/cli.h"

#include <string_view>

#include "runtime/platform.h"

namespace zel::app {
namespace {

constexpr std::string_view kVersion = "zelvantor " ZEL_VERSION "\n";

constexpr std::string_view kUsage =
    "Usage: zelvantor [FILE]\n"
    "       zelvantor --batch [--report FILE.html] DATAFILE...\n"
    "       zelvantor --help | --version\n"
    "\n"
    "Integrates a measured concentration profile c(t), such as a chromatography\n"
    "peak, and reports the area under the curve, the last time and the area\n"
    "above the curve.\n"
    "\n"
    "The program asks for the name of the data file; an empty reply takes FILE.\n"
    "After the results it pauses: an empty line ends the run, and a line of two\n"
    "or more characters is first run as a shell command.\n"
    "\n"
    "The data file holds number pairs, time first: one value per line\n"
    "(t1, c1, t2, c2, ...) or two columns, one pair per line; at most 2000 pairs.\n"
    "\n"
    "Scripted use: printf 'data.dat\\n\\n' | zelvantor\n"
    "Many files at once: zelvantor --batch *.dat > areas.csv writes one CSV row\n"
    "per file, without dialogue; --report FILE.html adds a page with a plot of\n"
    "each profile.\n"
    "\n"
    "Exit status: 0 after a normal run, 1 after a run-time error report on\n"
    "standard error, 2 after a stop that follows an error.\n"
    "\n"
    "The manual: man zelvantor\n";

}  // namespace

bool AnswerInformationalOption(int argc, const char* const* argv) {
  if (argc != 2) return false;
  const std::string_view option = argv[1];
  const std::string_view text = option == "--help" ? kUsage : option == "--version" ? kVersion : "";
  if (text.empty()) return false;
  // A text that cannot be written is no answer: exit status 1, as for the run.
  if (!platform::WriteAll(platform::kStdout, text)) platform::Exit(1);
  return true;
}

}  // namespace zel::app
