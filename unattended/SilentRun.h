#pragma once

#include "unattended/CommandLine.h"

// The registration without a window: the same plan, backups, undo file and
// shell notification as the wizard's, reported as lines and an exit code.
namespace SilentRun {

// Runs what the command line asks for (the usage text, a usage error, a
// preview or a registration) and returns the exit code.
int Run(const CommandLine::Parsed& parsed);

} // namespace SilentRun
