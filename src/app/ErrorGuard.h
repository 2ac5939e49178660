#pragma once

#include "output/ErrorLog.h"
#include "platform/QuillError.h"

#include <exception>

// Runs one operation; a failure ends the operation, never the program. It goes to the error log
// under the operation's unit and method name: loudly (record, message, report offer) or quietly.
enum class LogMode { Loud, Quiet };

template <typename Work>
bool guarded(ErrorLog& log, const QString& unit, const QString& method, LogMode mode, Work&& work) {
    ErrorInfo info{unit, method, {}};
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        info.ErrorMessage = messageOf(e);
    } catch (...) {
        info.ErrorMessage = QStringLiteral("Unknown failure");
    }
    if (mode == LogMode::Quiet)
        log.LogErrorQuietly(info);
    else
        log.LogError(info);
    return false;
}
