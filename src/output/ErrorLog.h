#pragma once

#include "platform/Clock.h"
#include "platform/ErrorReporter.h"
#include "platform/LocaleFormats.h"
#include "platform/Prompts.h"
#include "platform/Vendor.h" // FeedbackAddress, where the reports go

#include <QString>
#include <functional>

class MailRoutes;

// The error log "Quillnote.log": one eleven-line record per failure, appended. logError also tells
// the user and offers an e-mailed report; logErrorQuietly only writes the record. Neither throws.
class ErrorLog final : public IErrorReporter {
public:
    ErrorLog(QString logPath, const IClock& clock, const LocaleFormats& formats, IPrompts& prompts,
             MailRoutes& mail, std::function<QString()> runningVersion);

    void logError(const ErrorInfo& info) override;
    void logErrorQuietly(const ErrorInfo& info) override;

    const QString& logPath() const { return m_logPath; }

    // Pieces, public for tests.
    QString record(const ErrorInfo& info) const;
    QString reportSubject() const;
    QString reportBody(const ErrorInfo& info) const;

private:
    bool writeRecord(const ErrorInfo& info);
    void showFallback(const ErrorInfo& info, bool recordWritten);
    QString timeStamp() const;
    QString version() const;

    QString m_logPath;
    const IClock& m_clock;
    const LocaleFormats& m_formats;
    IPrompts& m_prompts;
    MailRoutes& m_mail;
    std::function<QString()> m_runningVersion;
};
