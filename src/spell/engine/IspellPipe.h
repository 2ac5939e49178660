#pragma once

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QProcess;
class QDeadlineTimer;

// The exchange with an ispell-compatible program in pipe mode ("-a"): lines out, and for each the
// answer up to its empty line back, in order. Lines may be sent ahead of reading their answers, so
// that the program works on them while we do something else. Every wait is bounded; a program that does not
// start, does not greet, falls silent, floods or dies is killed together with anything it started, and the
// pipe stays stopped. Runs on the calling thread (waits block it for at most the time-outs below).
class IspellPipe {
public:
    static constexpr int StartTimeoutMs = 5000;
    static constexpr int GreetingTimeoutMs = 5000;
    static constexpr int AnswerTimeoutMs = 3000;
    // How long a program that was asked to end may take before it is killed.
    static constexpr int ExitTimeoutMs = 3000;
    // Every line sent, its line end included, fits this many bytes.
    static constexpr qsizetype ExchangeBufferSize = 513;
    // The largest answer accepted for one line; more is taken for a runaway program.
    static constexpr qsizetype MaxAnswerSize = 64 * 1024;

    IspellPipe();
    ~IspellPipe(); // stop()
    IspellPipe(const IspellPipe&) = delete;
    IspellPipe& operator=(const IspellPipe&) = delete;

    // Starts the program (no shell) in its own process group and reads its greeting, which must be
    // the protocol's "@(#) ..." line. On false the process is gone; failure() says why.
    bool start(const QString& program, const QStringList& arguments, const QString& workingDirectory,
               const QProcessEnvironment& environment);

    // Whether `line` plus its line end fits the exchange buffer and holds no line break.
    static bool fits(const QByteArray& line);
    // Sends a line that has no answer (a command). False when the line does not fit or the pipe
    // failed (then it is stopped).
    bool send(const QByteArray& line);
    // Sends lines that each get an answer, in one write; their answers are read with nextAnswer.
    // False when a line does not fit (nothing is sent) or the pipe failed (then it is stopped).
    bool sendQuestions(const QList<QByteArray>& lines);
    // The answer to the oldest line sent and not answered yet: the lines before the empty line that
    // ends it, without line ends. Each answer has AnswerTimeoutMs and MaxAnswerSize of its own.
    // nullopt when none is pending or the exchange failed (then the pipe is stopped).
    std::optional<QList<QByteArray>> nextAnswer();
    qsizetype pendingAnswers() const { return m_pending; }

    // Closes the program's input, gives it ExitTimeoutMs to end, then kills its process group.
    void stop();
    // For the application's end (called on aboutToQuit): closes the program's input and returns at
    // once. The program saves its personal dictionary and ends on its own; a detached waiter kills
    // its group when it has ended, or after ExitTimeoutMs if it ignores the end of its input.
    void letFinish();
    // Kills at once; for a program that has already broken the protocol.
    void kill(const QString& why);

    bool isRunning() const;
    qint64 processId() const { return m_pid; }
    const QByteArray& greeting() const { return m_greeting; }
    const QString& failure() const { return m_failure; }
    // The failure was a wait that ran out: the program was running but fell silent.
    bool timedOut() const { return m_timedOut; }

private:
    bool write(const QByteArray& line);
    bool readLine(QByteArray& line, const QDeadlineTimer& deadline, qsizetype& budget);
    void reap(int waitMs);

    std::unique_ptr<QProcess> m_process;
    qint64 m_pid = 0;
    QByteArray m_greeting;
    QString m_failure;
    bool m_timedOut = false;
    qsizetype m_pending = 0;
};
