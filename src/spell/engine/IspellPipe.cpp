#include "IspellPipe.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Processes handed over at the application's end. Never deleted: ~QProcess would kill the program
// and wait for it, and closing our end of its output would end it by SIGPIPE before it saves.
std::vector<QProcess*>& finishingProcesses() {
    static std::vector<QProcess*> processes;
    return processes;
}

// Waits, on a thread of its own, for the group leader `pid` to end, at most `limitMs`, then kills
// the group. The leader is not reaped here (WNOWAIT), so its id, and the group's, cannot be reused
// before the kill.
void killGroupWhenEnded(pid_t pid, int limitMs) {
    std::thread([pid, limitMs] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        for (;;) {
            siginfo_t info = {};
            if (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
                return; // reaped already: its group may be gone and its id reused
            if (info.si_pid != 0 || std::chrono::steady_clock::now() >= deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(-pid, SIGKILL);
    }).detach();
}

} // namespace

IspellPipe::IspellPipe() = default;

IspellPipe::~IspellPipe() {
    stop();
}

bool IspellPipe::start(const QString& program, const QStringList& arguments, const QString& workingDirectory,
                       const QProcessEnvironment& environment) {
    stop();
    m_pid = 0;
    m_failure.clear();
    m_timedOut = false;
    m_pending = 0;
    m_greeting.clear();
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(program);
    m_process->setArguments(arguments);
    m_process->setWorkingDirectory(workingDirectory);
    m_process->setProcessEnvironment(environment);
    // Nobody reads its messages; a chatty program must not fill our memory.
    m_process->setStandardErrorFile(QProcess::nullDevice());
    // Its own group, so that whatever it starts can be ended with it.
    m_process->setChildProcessModifier([] { ::setpgid(0, 0); });
    m_process->start(QIODevice::ReadWrite);
    if (QCoreApplication::instance())
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, m_process.get(),
                         [this] { letFinish(); });
    if (!m_process->waitForStarted(StartTimeoutMs)) {
        kill(QStringLiteral("%1 could not be started: %2").arg(program, m_process->errorString()));
        return false;
    }
    m_pid = m_process->processId();
    qsizetype budget = MaxAnswerSize;
    QByteArray line;
    if (!readLine(line, QDeadlineTimer(GreetingTimeoutMs), budget))
        return false;
    if (!line.startsWith("@(#)")) {
        kill(QStringLiteral("%1 did not greet as an ispell pipe").arg(program));
        return false;
    }
    m_greeting = line;
    return true;
}

bool IspellPipe::isRunning() const {
    return m_process && m_process->state() != QProcess::NotRunning;
}

bool IspellPipe::fits(const QByteArray& line) {
    return line.size() + 1 <= ExchangeBufferSize && !line.contains('\n') && !line.contains('\r');
}

bool IspellPipe::write(const QByteArray& data) {
    if (m_process->write(data) != data.size()) {
        kill(QStringLiteral("writing to the program failed"));
        return false;
    }
    const QDeadlineTimer deadline(AnswerTimeoutMs);
    while (m_process->bytesToWrite() > 0) {
        if (!m_process->waitForBytesWritten(int(deadline.remainingTime())) || deadline.hasExpired()) {
            if (m_process->bytesToWrite() == 0)
                break;
            m_timedOut = m_failure.isEmpty() && m_process->state() != QProcess::NotRunning;
            kill(QStringLiteral("the program does not take its input"));
            return false;
        }
    }
    return true;
}

bool IspellPipe::send(const QByteArray& line) {
    if (!isRunning() || !fits(line))
        return false;
    return write(line + '\n');
}

bool IspellPipe::sendQuestions(const QList<QByteArray>& lines) {
    if (!isRunning() || !std::all_of(lines.begin(), lines.end(), fits))
        return false;
    if (m_pending == 0) {
        // Output nobody asked for would be taken for these lines' answers.
        m_process->waitForReadyRead(0);
        m_process->readAll();
    }
    QByteArray data;
    for (const QByteArray& line : lines)
        data += line + '\n';
    if (!write(data))
        return false;
    m_pending += lines.size();
    return true;
}

std::optional<QList<QByteArray>> IspellPipe::nextAnswer() {
    if (!isRunning() || m_pending == 0)
        return std::nullopt;
    --m_pending;
    const QDeadlineTimer deadline(AnswerTimeoutMs);
    qsizetype budget = MaxAnswerSize;
    QList<QByteArray> answer;
    for (;;) {
        QByteArray received;
        if (!readLine(received, deadline, budget))
            return std::nullopt;
        if (received.isEmpty())
            return answer;
        answer.append(received);
    }
}

bool IspellPipe::readLine(QByteArray& line, const QDeadlineTimer& deadline, qsizetype& budget) {
    while (!m_process->canReadLine()) {
        if (m_process->bytesAvailable() > budget) {
            kill(QStringLiteral("the program sent more than %1 bytes for one answer").arg(MaxAnswerSize));
            return false;
        }
        if (m_process->state() == QProcess::NotRunning && m_process->bytesAvailable() == 0) {
            kill(QStringLiteral("the program ended"));
            return false;
        }
        if (deadline.hasExpired() || !m_process->waitForReadyRead(int(deadline.remainingTime()))) {
            if (m_process->canReadLine())
                break;
            const bool silent = m_process->state() != QProcess::NotRunning;
            m_timedOut = silent && m_failure.isEmpty();
            kill(silent ? QStringLiteral("the program did not answer in time")
                        : QStringLiteral("the program ended"));
            return false;
        }
    }
    line = m_process->readLine();
    budget -= line.size();
    if (budget < 0) {
        kill(QStringLiteral("the program sent more than %1 bytes for one answer").arg(MaxAnswerSize));
        return false;
    }
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return true;
}

void IspellPipe::stop() {
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        // The three programs end when their input ends (ispell saves its personal dictionary then).
        m_process->closeWriteChannel();
        m_process->waitForFinished(ExitTimeoutMs);
    }
    reap(ExitTimeoutMs);
}

void IspellPipe::letFinish() {
    if (!m_process)
        return;
    if (m_process->state() == QProcess::NotRunning || m_pid <= 1 || m_process->bytesToWrite() > 0) {
        stop();
        return;
    }
    QObject::disconnect(QCoreApplication::instance(), nullptr, m_process.get(), nullptr);
    m_process->closeWriteChannel();
    killGroupWhenEnded(pid_t(m_pid), ExitTimeoutMs);
    finishingProcesses().push_back(m_process.release());
}

void IspellPipe::kill(const QString& why) {
    if (m_failure.isEmpty())
        m_failure = why;
    if (m_process)
        reap(ExitTimeoutMs);
}

void IspellPipe::reap(int waitMs) {
    // The group outlives its leader while anything it started still runs; a process id is not
    // reused while its group exists. Never 0 or 1 here: kill(-0) would hit our own group.
    if (m_pid > 1)
        ::kill(pid_t(-m_pid), SIGKILL);
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(waitMs);
    }
    m_process.reset();
}
