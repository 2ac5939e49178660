#include "MailRoutes.h"

#include "platform/QuillError.h"

#include <QByteArray>
#include <iterator>

namespace {

// Everything but the unreserved characters is escaped, so '&', '?', '=', '#', '%', '+', ',' and
// control characters in a piece stay data and never become delimiters of the URL.
QByteArray encoded(const QString& piece, const QByteArray& keep = {}) {
    return QUrl::toPercentEncoding(piece, keep);
}

} // namespace

QString mailErrorText(int code) {
    static const char* const texts[] = {nullptr,
                                        "User cancelled request",
                                        "General MAPI (e-mail) failure",
                                        "Logon failure",
                                        "Disk full",
                                        "Insufficient memory",
                                        "Access denied",
                                        nullptr,
                                        "Too many sessions",
                                        "Too many files open",
                                        "Too many recipients",
                                        "Attachment not found",
                                        "Failed to open attachment",
                                        "Failed to write attachment",
                                        "Unknown recipient",
                                        "Invalid recipient type",
                                        "No messages",
                                        "Invalid message",
                                        "Text too large.",
                                        "Invalid session",
                                        "Type not supported",
                                        "Ambiguous recipient",
                                        "Message in use",
                                        "Network failure",
                                        "Invalid edit fields",
                                        "Invalid recipients",
                                        "Not supported"};
    if (code > 0 && code < int(std::size(texts)) && texts[code])
        return QString::fromLatin1(texts[code]);
    return unknownMailErrorText(code);
}

QString unknownMailErrorText(int code) {
    return QStringLiteral("Unknown Error Code: ") + QString::number(code);
}

QString mailErrorMessage(const QString& errorText) {
    return QStringLiteral("The following error occurred when trying to create the message:\n\n\t") +
           errorText + QStringLiteral("\n\nPlease confirm your e-mail settings before trying again.");
}

MailRoutes::MailRoutes(IShell& shell, IPrompts& prompts) : m_shell(shell), m_prompts(prompts) {}

QUrl MailRoutes::mailtoUrl(const QString& address, const QString& subject, const QString& body) {
    // '@' stays readable in the address; a ',' or '?' in it is escaped, so it cannot name a second
    // recipient or start the header part early.
    const QByteArray text = QByteArrayLiteral("mailto:") + encoded(address, QByteArrayLiteral("@")) +
                            QByteArrayLiteral("?subject=") + encoded(subject) + QByteArrayLiteral("&body=") +
                            encoded(body);
    const QUrl url = QUrl::fromEncoded(text, QUrl::StrictMode);
    if (!url.isValid())
        throw QuillError(QStringLiteral("Could not build the e-mail link: %1").arg(url.errorString()));
    return url;
}

void MailRoutes::openMailtoMessage(const QString& address, const QString& subject, const QString& body) {
    try {
        if (!m_shell.openUrl(mailtoUrl(address, subject, body))) {
            // The desktop found no program for mailto links; the bare code is what users have always
            // been shown here.
            m_prompts.plainMessage(QStringLiteral("31"));
        }
    } catch (const QuillError&) {
        throw;
    } catch (const std::exception& e) {
        throw QuillError(messageOf(e));
    } catch (...) {
        throw QuillError(QStringLiteral("Unknown failure while handing the message to the mail program"));
    }
}
