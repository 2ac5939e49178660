#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <optional>

// What a start of the program asks for, and how a refused copy hands it to the running one over the
// single-instance guard's socket: one line, "activate" or "add-note", then optionally a space and the
// desktop's activation token, which lets the running copy raise its window on Wayland.
struct StartRequest {
    static inline const QString AddNoteOption = QStringLiteral("--add-note");

    bool addNote = false;
    QString activationToken;

    // `arguments` without the program name. "--add-note" asks for the quick-add window; any argument
    // at all starts the program in the tray.
    static StartRequest fromArguments(const QStringList& arguments, const QString& activationToken = {});

    // Any argument starts the program in the tray (minimized where there is none), except
    // "--add-note" alone without a tray: then the window shows, with the quick-add window over it.
    static bool startsHidden(const QStringList& arguments, bool trayAvailable);

    QByteArray toLine() const;
    // Empty for a line that is not a request (a stray client's bytes, an over-long or odd token).
    static std::optional<StartRequest> fromLine(const QByteArray& line);

    friend bool operator==(const StartRequest&, const StartRequest&) = default;
};
Q_DECLARE_METATYPE(StartRequest)
