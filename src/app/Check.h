#pragma once

// `kalimo --check`: every task list of the installation walked for pictures and sounds that cannot
// be found; the findings and a summary on the standard output, in German. Writes nothing. Returns
// the exit code: 0 when nothing is missing, 1 otherwise.
namespace launcher {
int runInstallationCheck();
}
