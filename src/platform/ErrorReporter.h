#pragma once

#include "platform/QuillError.h"

#include <QString>
#include <exception>

// What a failed operation hands to the error log.
struct ErrorInfo {
    QString unitName;
    QString methodName;
    QString message;
};

// Where failures go: the program's error log, or a recorder in tests. logError also tells the user
// and offers a report; logErrorQuietly only keeps the record. Neither throws.
class IErrorReporter {
public:
    virtual ~IErrorReporter() = default;
    virtual void logError(const ErrorInfo& info) = 0;
    virtual void logErrorQuietly(const ErrorInfo& info) = 0;
};

// Runs one operation; a failure ends the operation, never the program. It goes to the error log
// under the operation's unit and method name: loudly (record, message, report offer) or quietly.
enum class LogMode { Loud, Quiet };

template <typename Work>
bool guarded(IErrorReporter& log, const QString& unit, const QString& method, LogMode mode, Work&& work) {
    ErrorInfo info{unit, method, {}};
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        info.message = messageOf(e);
    } catch (...) {
        info.message = QStringLiteral("Unknown failure");
    }
    if (mode == LogMode::Quiet)
        log.logErrorQuietly(info);
    else
        log.logError(info);
    return false;
}
