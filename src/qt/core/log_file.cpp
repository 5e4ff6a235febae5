// SPDX-License-Identifier: MIT
#include "qt/core/log_file.h"

#include <QCoreApplication>

namespace q7 {

Result<std::unique_ptr<SessionLog>> openSessionLog(const std::string& path, std::uint64_t maxBytes,
                                                   SessionLog::Failed failed) {
    return SessionLog::open(path, maxBytes, [failed = std::move(failed)](const Message& why) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [failed, why] { failed(why); }, Qt::QueuedConnection);
    });
}

} // namespace q7
