// SPDX-License-Identifier: MIT
#pragma once
// q7ctl on Qt without widgets: its command line (QCommandLineParser, with a dispatch of our own for the
// subcommands), the line, the run of one request, and what it prints: the status in words, a reply as the
// panel traces it, or one compact JSON line, failures included.

namespace q7 {

// The program, from main's arguments to its exit status.
int runCtl(int argc, char* argv[]);

} // namespace q7
