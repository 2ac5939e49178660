// Driver for kill_during_save.sh: saves a notes file over and over so that it can be killed at
// random moments, and checks afterwards that the file holds one complete generation.
//
//   quill_save_loop create <file> <notes>   write a file of <notes> notes, generation 0
//   quill_save_loop loop <file>             save generation after generation until killed;
//                                           prints "saved <g>" once generation g is on disk
//   quill_save_loop check <file> <last> <notes>
//                                           the file must hold generation <last> or <last>+1 and all
//                                           <notes> notes intact; opening it must leave no temporary file
//   quill_save_loop save-once <file> <log> [pause]
//                                           one save of the next generation as the program makes it; a
//                                           failure goes to the error log <log>, the old file must be
//                                           intact, and a second try must succeed. With "pause" the
//                                           process stops itself (SIGSTOP) just before saving, so that a
//                                           tracer can attach and count only the save's system calls.
//                                           Ends with 0 whether the save failed or not.
//   quill_save_loop settings <hive> <log>   writes one value to the settings file as the program does

#include "output/ErrorLog.h"
#include "output/MailRoutes.h"
#include "platform/Clock.h"
#include "platform/DurableFile.h"
#include "platform/LocaleFormats.h"
#include "platform/Prompts.h"
#include "platform/QuillError.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

const QDateTime base(QDate(2009, 3, 5), QTime(13, 2, 13));

class SettableClock final : public IClock {
public:
    QDateTime now() const override { return current; }
    QDateTime current = base;
};

// Nothing here may ask the user anything.
class NoPrompts final : public IPrompts {
public:
    MsgButton messageDlg(const QString& text, MsgKind, MsgButtons) override { unexpected(text); }
    void plainMessage(const QString& text) override { unexpected(text); }

private:
    [[noreturn]] static void unexpected(const QString& text) {
        std::fprintf(stderr, "unexpected question: %s\n", qPrintable(text));
        std::exit(2);
    }
};

// What the program would show the user goes to standard error; every question is answered "No".
class StderrPrompts final : public IPrompts {
public:
    MsgButton messageDlg(const QString& text, MsgKind, MsgButtons) override {
        plainMessage(text);
        return MsgButton::No;
    }
    void plainMessage(const QString& text) override {
        std::fprintf(stderr, "message: %s\n",
                     qPrintable(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    }
};

class NoShell final : public IShell {
public:
    bool openUrl(const QUrl&) override { return false; }
};

// The real error log, as the program sets it up.
struct Log {
    explicit Log(const QString& path)
        : log(path, clock, formats, prompts, mail, [] { return QStringLiteral("test"); }) {}
    SettableClock clock;
    StderrPrompts prompts;
    NoShell shell;
    MailRoutes mail{shell, prompts};
    LocaleFormats formats = LocaleFormats::capture();
    ErrorLog log;
};

struct Store {
    SettableClock clock;
    NoPrompts prompts;
    LocaleFormats formats = LocaleFormats::capture();
    // What the store reports itself, without throwing; the program sends it to the error log.
    std::function<void(const QString&, const QString&)> reported = [](const QString& method,
                                                                      const QString& message) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(method), qPrintable(message));
        std::exit(2);
    };
    NoteStore store{formats, clock, prompts,
                    [this](const QString& method, const QString& message) { reported(method, message); }};
};

// Bodies of different lengths, so that a file cut short or mixed from two saves cannot pass.
QString bodyOf(int generation) {
    return QStringLiteral("body of generation %1\n").arg(generation).repeated(1 + generation % 13);
}

QString titleOf(int generation) {
    return QStringLiteral("generation %1").arg(generation);
}

int generationOf(const QString& title) {
    return title.section(QLatin1Char(' '), 1).toInt();
}

QString textOfNote(int i) {
    return QStringLiteral("text of note %1, which stays the same\n").arg(i);
}

// Unbuffered, so that a line printed just before SIGKILL is not lost. writev rather than write: a
// tracer failing the save's write calls by number must not fail these lines too.
void say(const QString& line) {
    QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    const iovec piece{bytes.data(), size_t(bytes.size())};
    [[maybe_unused]] const ssize_t n = ::writev(STDOUT_FILENO, &piece, 1);
}

int create(const QString& path, int count) {
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n";
    for (int i = 0; i < count; ++i) {
        const QString title = i == 0 ? titleOf(0) : QStringLiteral("Note %1").arg(i);
        const QString text = i == 0 ? bodyOf(0) : textOfNote(i);
        xml += "<Note><Title>" + title.toUtf8() + "</Title><Text>" + text.toUtf8().replace("\n", "^M") +
               "</Text><DateTime>39877.5</DateTime><LastModified>39877.5</LastModified></Note>\n";
    }
    xml += "</Notes>\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(xml) != xml.size() ||
        !file.flush())
        throw QuillError(QStringLiteral("cannot write ") + path);
    file.close();
    Store s;
    s.store.open(path);
    s.store.save(); // in the form every later save writes
    return 0;
}

int loop(const QString& path) {
    Store s;
    s.store.open(path);
    int generation = generationOf(s.store.readNote(0).title);
    say(QStringLiteral("start %1").arg(generation));
    for (;;) {
        ++generation;
        s.clock.current = base.addSecs(generation);
        s.store.updateNote(0, titleOf(generation), bodyOf(generation), s.clock.current);
        say(QStringLiteral("saved %1").arg(generation));
    }
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QuillError(QStringLiteral("cannot read ") + path);
    return file.readAll();
}

QStringList temporariesBeside(const QString& path) {
    return QFileInfo(path).dir().entryList({QFileInfo(path).fileName() + QStringLiteral(".*.qntmp")},
                                           QDir::Files | QDir::Hidden | QDir::System);
}

enum class Outcome { Saved, NotFlushed, Failed };

// Tries one save of the next generation.
Outcome saveNext(Store& s, Log& log, int& generation) {
    const int next = generation + 1;
    bool notFlushed = false;
    // As the program does: the store's own reports go to the error log.
    s.reported = [&](const QString& method, const QString& message) {
        notFlushed = true;
        log.log.logError({QStringLiteral("Main"), method, message});
    };
    try {
        s.clock.current = base.addSecs(next);
        s.store.updateNote(0, titleOf(next), bodyOf(next), s.clock.current);
        generation = next;
        return notFlushed ? Outcome::NotFlushed : Outcome::Saved;
    } catch (const QuillError& e) {
        log.log.logError({QStringLiteral("Main"), QStringLiteral("Save"), e.message()});
        return Outcome::Failed;
    }
}

int saveOnce(const QString& path, const QString& logPath, bool pause) {
    Store s;
    Log log(logPath);
    s.store.open(path);
    const QByteArray before = contentsOf(path);
    int generation = generationOf(s.store.readNote(0).title);
    if (pause)
        ::raise(SIGSTOP);
    const Outcome outcome = saveNext(s, log, generation);
    // Marks the end of the save for a tracer counting its calls.
    ::syscall(SYS_getppid);
    if (const QStringList left = temporariesBeside(path); !left.isEmpty())
        say(QStringLiteral("FAIL: temporary files left: ") + left.join(QLatin1Char(' ')));
    if (outcome == Outcome::Saved) {
        say(QStringLiteral("saved %1").arg(generation));
        return 0;
    }
    if (outcome == Outcome::NotFlushed) {
        // The file was replaced: memory must hold the same generation.
        say(QStringLiteral("not-flushed %1").arg(generation));
        if (s.store.readNote(0).title != titleOf(generation) || s.store.serialized() != contentsOf(path))
            say(QStringLiteral("FAIL: memory and file differ after the file was replaced"));
        return 0;
    }
    say(QStringLiteral("failed %1").arg(generation));
    if (contentsOf(path) != before)
        say(QStringLiteral("FAIL: the old file changed although the save failed"));
    // The failed change was undone in memory: the same save again must work once the cause is gone.
    if (s.store.readNote(0).title != titleOf(generation))
        say(QStringLiteral("FAIL: the failed change stayed in memory"));
    else if (saveNext(s, log, generation) == Outcome::Saved)
        say(QStringLiteral("retried %1").arg(generation));
    else
        say(QStringLiteral("retry failed"));
    return 0;
}

int settings(const QString& hivePath, const QString& logPath) {
    Log log(logPath);
    try {
        RegistryHive hive(hivePath);
        auto key = hive.openKeyForWriting(SettingsKeyPath);
        key->writeString(QStringLiteral("Probe"), QStringLiteral("written"));
        key->close();
        say(QStringLiteral("saved settings"));
    } catch (const QuillError& e) {
        log.log.logError({QStringLiteral("Main"), QStringLiteral("SetPositions"), e.message()});
        say(QStringLiteral("failed settings"));
    }
    return 0;
}

int check(const QString& path, int last, int count) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QuillError(QStringLiteral("cannot read ") + path);
    const QByteArray bytes = file.readAll();

    Store s;
    s.store.open(path); // also the "next start": it must clear away temporary files
    const QStringList temporaries =
        QFileInfo(path).dir().entryList({QFileInfo(path).fileName() + QStringLiteral(".*.qntmp")});
    if (!temporaries.isEmpty())
        throw QuillError(QStringLiteral("temporary files left after opening: ") + temporaries.join(' '));
    if (s.store.serialized() != bytes)
        throw QuillError(QStringLiteral("the file is not one complete save"));

    const Note first = s.store.readNote(0);
    const int generation = generationOf(first.title);
    if (first.title != titleOf(generation) || (generation != last && generation != last + 1))
        throw QuillError(
            QStringLiteral("holds \"%1\" after generation %2 was saved").arg(first.title).arg(last));
    if (first.text != bodyOf(generation))
        throw QuillError(QStringLiteral("the body does not belong to generation %1").arg(generation));
    if (s.store.childCount() != count)
        throw QuillError(QStringLiteral("%1 notes instead of %2").arg(s.store.childCount()).arg(count));
    for (int i = 1; i < count; ++i) {
        const Note note = s.store.readNote(i);
        if (note.title != QStringLiteral("Note %1").arg(i) || note.text != textOfNote(i))
            throw QuillError(QStringLiteral("note %1 changed").arg(i));
    }
    say(QStringLiteral("ok %1").arg(generation));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString path = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    try {
        if (mode == QLatin1String("create") && argc == 4)
            return create(path, std::atoi(argv[3]));
        if (mode == QLatin1String("loop") && argc == 3)
            return loop(path);
        if (mode == QLatin1String("check") && argc == 5)
            return check(path, std::atoi(argv[3]), std::atoi(argv[4]));
        if (mode == QLatin1String("save-once") && (argc == 4 || argc == 5))
            return saveOnce(path, QString::fromLocal8Bit(argv[3]), argc == 5);
        if (mode == QLatin1String("settings") && argc == 4)
            return settings(path, QString::fromLocal8Bit(argv[3]));
    } catch (const QuillError& e) {
        say(QStringLiteral("FAIL: ") + e.message());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: %s create <file> <notes> | loop <file> | check <file> <last> <notes> | save-once "
                 "<file> <log> [pause] | settings <hive> <log>\n",
                 argv[0]);
    return 64;
}
