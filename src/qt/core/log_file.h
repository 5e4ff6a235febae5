// SPDX-License-Identifier: MIT
#pragma once
// A program's session log (--log FILE --log-size BYTES): refused at once when it cannot be written; a write
// that fails later is told on the program's main thread, where the program shows it or says it between its
// other lines, never on the log's own thread.

#include "log/session_log.h"

namespace q7 {

// failed: once, from the event loop of the application object, when the log has stopped.
Result<std::unique_ptr<SessionLog>> openSessionLog(const std::string& path, std::uint64_t maxBytes,
                                                   SessionLog::Failed failed);

} // namespace q7
