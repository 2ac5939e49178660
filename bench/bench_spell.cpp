// Times Spell Check over a long note with each engine: the first check (which starts the engine: the
// ispell program, or the speller library and its dictionary) and a second one with the engine
// cached, skipping every finding as a person pressing Skip would. For the pipe programs also: a note
// without findings against the program's own speed over the same lines (its floor), and the time
// from a Skip to the next finding.
#include "controls/LinkTextEdit.h"
#include "spell/engine/ISpellDialog.h"
#include "spell/engine/IspellEngine.h"
#include "spell/engine/LibraryEngine.h"
#include "spell/engine/SpellChecker.h"
#include "spell/engine/SpellConfiguration.h"
#include "spell/ui/RichEditSpellControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

namespace {

// Every finding is skipped at once; the check is driven from the loop below.
class SkippingDialog final : public ISpellDialog {
public:
    int findings = 0;
    void presentSuggestions(const QString&) override { ++findings; }
    void presentSkipOrEdit(const QString&) override { ++findings; }
    void presentRepeatedWord() override { ++findings; }
    bool isDialogVisible() const override { return false; }
    void showDialog() override {}
    void hideDialog() override {}
    void closeDialog() override {}
    void setDialogCaption(const QString&) override {}
};

QString longNote(int words, bool withFindings = true) {
    static const char* correct[] = {"the",   "garden", "needs",  "water",   "before", "we",      "leave",
                                    "for",   "the",    "summer", "holiday", "and",    "someone", "should",
                                    "check", "the",    "post",   "every",   "second", "day"};
    static const char* wrong[] = {"teh", "recieve", "tomorow", "wierd", "seperate"};
    QString text;
    for (int i = 0; i < words; ++i) {
        text += QString::fromLatin1(withFindings && i % 50 == 49 ? wrong[(i / 50) % 5] : correct[i % 20]);
        text += (i % 12 == 11) ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return text;
}

// The lines a program prints for the words given one a line; nullopt when it cannot be run.
std::optional<QStringList> filterWords(const QString& commandLine, const QStringList& words) {
    QStringList arguments = QProcess::splitCommand(commandLine);
    QProcess program;
    program.start(arguments.takeFirst(), arguments);
    if (!program.waitForStarted(5000))
        return std::nullopt;
    program.write(words.join(QLatin1Char('\n')).toUtf8() + '\n');
    program.closeWriteChannel();
    if (!program.waitForFinished(60000) || program.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(program.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// 5,000 words without repeats (so that no answer is known before it is asked for) that all three
// programs accept, 12 a line, from the system's word list; the repeating note when there is none.
QString distinctNote() {
    QFile list(QStringLiteral("/usr/share/dict/american-english"));
    if (!list.open(QIODevice::ReadOnly))
        return longNote(5000, false);
    const QRegularExpression plain(QStringLiteral("^[a-z]{3,}$"));
    QStringList words;
    for (const QByteArray& line : list.readAll().split('\n'))
        if (const QString word = QString::fromUtf8(line); plain.match(word).hasMatch())
            words << word;
    if (const auto correct = filterWords(QStringLiteral("hunspell -d en_US -G"), words))
        words = *correct;
    for (const char* lister : {"aspell --lang=en_US list", "ispell -l -d american"})
        if (const auto wrong = filterWords(QString::fromLatin1(lister), words))
            for (const QString& word : *wrong)
                words.removeAll(word);
    QString text;
    const qsizetype step = std::max<qsizetype>(1, words.size() / 5000);
    for (int i = 0; i < 5000 && i * step < words.size(); ++i)
        text += words[i * step] + ((i % 12 == 11) ? QLatin1Char('\n') : QLatin1Char(' '));
    return text;
}

double processCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Milliseconds of one check of the whole field; `cpuMs` gets our own processor time in it.
double checkOnce(SpellChecker& checker, LinkTextEdit& field, bool& finished, double* cpuMs = nullptr) {
    RichEditSpellControl control(field);
    control.setSelection(0, 0);
    finished = false;
    const double cpuStart = processCpuMs();
    QElapsedTimer clock;
    clock.start();
    checker.checkControl(control);
    while (!finished)
        checker.continueCheck(); // Skip
    const double elapsed = double(clock.nsecsElapsed()) / 1e6;
    if (cpuMs)
        *cpuMs = processCpuMs() - cpuStart;
    return elapsed;
}

void setUp(SpellChecker& checker, SkippingDialog& dialog, bool& finished, EngineType type,
           const QString& section, const SpellConfiguration& configuration, const QString& scratch) {
    checker.setConfiguration(&configuration);
    // The library knows its languages by locale; the pipe descriptors by the name the picker shows.
    const bool pipe = type == EngineType::Ispell;
    checker.setLanguage(pipe ? 0 : 1033);
    checker.setLanguageText(section);
    checker.setEngineType(type);
    checker.setModalDialog(false);
    checker.setTextLanguage(TextLanguage::English);
    checker.setDialogFactory([&](SpellChecker&) -> ISpellDialog* { return &dialog; });
    QObject::connect(&checker, &SpellChecker::finished, [&] { finished = true; });
    // The user dictionary in a folder of the run's own, never beside the system's dictionaries.
    checker.setUserDictionaryChooser(
        [scratch](LanguageId, const QString&) { return scratch + QStringLiteral("/CUSTOM.DIC"); });
    checker.setEngineFactory(type, [](LanguageId language, SpellOptionFlags options, SpellChecker* owner) {
        std::unique_ptr<SpellEngine> engine;
        if (owner->engineType() == EngineType::Ispell)
            engine = std::make_unique<IspellEngine>(language, options, owner);
        else
            engine = std::make_unique<LibraryEngine>(language, options, owner);
        return engine;
    });
}

void run(const char* name, EngineType type, const SpellConfiguration& configuration, const QString& text,
         const QString& scratch) {
    SpellChecker checker;
    SkippingDialog dialog;
    bool finished = false;
    setUp(checker, dialog, finished, type, QString(), configuration, scratch);
    LinkTextEdit field(false);
    field.setPlainText(text);
    const double first = checkOnce(checker, field, finished);
    const int findings = dialog.findings;
    const double next = checkOnce(checker, field, finished);
    const bool disabled = !checker.currentEngine() || checker.currentEngine()->isDisabled();
    std::printf(
        "spell %-8s %d words, %d findings: first check %.0f ms (engine start included), next %.0f ms%s\n",
        name, int(text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts).size()),
        findings, first, next, disabled ? " (engine not available)" : "");
}

// The lines of the exchange for the text as the engine sends them: the words of each line of text,
// separated by one blank; or one word a line.
QStringList exchangeLines(const QString& text, bool wordPerLine) {
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList words = line.split(blanks, Qt::SkipEmptyParts);
        if (wordPerLine)
            lines += words;
        else if (!words.isEmpty())
            lines += words.join(QLatin1Char(' '));
    }
    return lines;
}

// Milliseconds the program itself takes over the lines, all sent at once, until the last answer:
// the floor of any client. Negative when the program cannot be run.
double programFloor(const QString& commandLine, const QString& text, bool wordPerLine = false) {
    QStringList arguments = QProcess::splitCommand(commandLine);
    QProcess program;
    program.start(arguments.takeFirst(), arguments);
    if (!program.waitForStarted(5000))
        return -1;
    while (!program.canReadLine())
        if (!program.waitForReadyRead(5000))
            return -1;
    program.readLine(); // the greeting
    QByteArray input = "!\n";
    const QStringList lines = exchangeLines(text, wordPerLine);
    for (const QString& line : lines)
        input += '^' + line.toUtf8() + '\n';
    QElapsedTimer clock;
    clock.start();
    program.write(input);
    for (qsizetype answered = 0; answered < lines.size();) {
        while (program.canReadLine())
            if (program.readLine().trimmed().isEmpty())
                ++answered;
        if (answered < lines.size() && !program.waitForReadyRead(10000))
            return -1;
    }
    const double elapsed = double(clock.nsecsElapsed()) / 1e6;
    program.closeWriteChannel();
    program.waitForFinished(3000);
    return elapsed;
}

// A checker on a pipe program's descriptor, with the program already started.
struct PipeCheck {
    PipeCheck(const SpellConfiguration& configuration, const QString& section, const QString& scratch) {
        setUp(checker, dialog, finished, EngineType::Ispell, section, configuration, scratch);
        QStringList ignored;
        checker.fillSuggestions(QStringLiteral("the"), ignored, 0);
    }
    SpellChecker checker;
    SkippingDialog dialog;
    bool finished = false;
};

struct SkipFigures {
    double median;
    double worst;
    int count;
};

// The time from each Skip to the next finding over a note with findings, pressed at once or after
// looking at each finding for `pauseMs` (then over the first 20 findings only).
SkipFigures skipTimes(const SpellConfiguration& configuration, const QString& section, const QString& scratch,
                      int pauseMs) {
    PipeCheck pipe(configuration, section, scratch);
    SpellChecker& checker = pipe.checker;
    bool& finished = pipe.finished;
    LinkTextEdit field(false);
    field.setPlainText(longNote(5000));
    RichEditSpellControl control(field);
    control.setSelection(0, 0);
    finished = false;
    checker.checkControl(control);
    std::vector<double> skips;
    while (!finished && (pauseMs == 0 || skips.size() < 20)) {
        if (pauseMs > 0)
            QThread::msleep(pauseMs);
        QElapsedTimer clock;
        clock.start();
        checker.continueCheck(); // Skip
        skips.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    if (!finished)
        checker.finishCheck();
    std::sort(skips.begin(), skips.end());
    if (skips.empty())
        return {0, 0, 0};
    return {skips[skips.size() / 2], skips.back(), int(skips.size())};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Milliseconds of one check of the note by a fresh engine (so that no answer is known), with the
// program started before the clock runs; negative when the engine is not available.
double checkClean(const SpellConfiguration& configuration, const QString& section, const QString& scratch,
                  const QString& clean, int& findings, double& cpuMs) {
    PipeCheck pipe(configuration, section, scratch);
    LinkTextEdit field(false);
    field.setPlainText(clean);
    const double check = checkOnce(pipe.checker, field, pipe.finished, &cpuMs);
    findings = pipe.dialog.findings;
    const bool available = pipe.checker.currentEngine() && !pipe.checker.currentEngine()->isDisabled();
    return available ? check : -1;
}

// A note without findings against the program's floor (runs interleaved, medians), and the time from
// each Skip to the next finding in a note with findings. Returns the ratio; 0 when not available.
double runPipe(const char* name, const QString& commandLine, const SpellConfiguration& configuration,
               const QString& scratch, const QString& clean, int runs) {
    const QString section = QStringLiteral("English (United States) - ") + QString::fromLatin1(name);
    std::vector<double> checks, floors, wordFloors, ratios, cpus;
    int cleanFindings = 0;
    for (int run = 0; run < runs; ++run) {
        double cpu = 0;
        const double check = checkClean(configuration, section, scratch, clean, cleanFindings, cpu);
        const double floor = programFloor(commandLine, clean);
        if (check < 0 || floor <= 0) {
            std::printf("spell %-8s not available\n", name);
            return 0;
        }
        checks.push_back(check);
        cpus.push_back(cpu);
        floors.push_back(floor);
        ratios.push_back(check / floor);
        wordFloors.push_back(programFloor(commandLine, clean, true));
    }
    const double ratio = median(checks) / median(floors);
    const auto [skipMedian, worst, count] = skipTimes(configuration, section, scratch, 0);
    const auto [pausedMedian, pausedWorst, pausedCount] = skipTimes(configuration, section, scratch, 250);
    std::printf("spell %-8s 5000 words, none repeated (%d found), median of %d: %.1f ms, %s -a alone %.1f ms "
                "(a word a line %.1f ms), ratio %.2f (runs %.2f-%.2f), our processor time %.1f ms\n"
                "spell %-8s Skip to next finding: at once median %.2f ms, worst %.2f ms (%d skips); "
                "after 250 ms looking median %.2f ms, worst %.2f ms (%d skips)\n",
                name, cleanFindings, runs, median(checks), name, median(floors), median(wordFloors), ratio,
                *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()), median(cpus), name, skipMedian, worst, count,
                pausedMedian, pausedWorst, pausedCount);
    return ratio;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const SpellConfiguration configuration(nullptr, folder);
    const QString text = longNote(5000);
    const QTemporaryDir scratch;
    const QString clean = distinctNote();
    if (qEnvironmentVariableIsEmpty("QUILL_BENCH_SPELL_PROGRAMS"))
        run("library", EngineType::Library, configuration, text, scratch.path());
    // Runs of the clean note against the program alone; QUILL_BENCH_SPELL_RUNS overrides.
    const int runs = std::max(1, qEnvironmentVariableIntValue("QUILL_BENCH_SPELL_RUNS") > 0
                                     ? qEnvironmentVariableIntValue("QUILL_BENCH_SPELL_RUNS")
                                     : 5);
    const struct {
        const char* name;
        QString command;
    } programs[] = {
        {"hunspell", QStringLiteral("hunspell -a -d en_US -i UTF-8")},
        {"aspell", QStringLiteral("aspell -a --lang=en_US --encoding=utf-8")},
        {"ispell", QStringLiteral("ispell -a -B -d american")},
    };
    // QUILL_BENCH_SPELL_PROGRAMS (names separated by commas) runs only those programs.
    const QStringList only =
        qEnvironmentVariable("QUILL_BENCH_SPELL_PROGRAMS").split(u',', Qt::SkipEmptyParts);
    QStringList ratios;
    for (const auto& program : programs) {
        if (!only.isEmpty() && !only.contains(QString::fromLatin1(program.name)))
            continue;
        const double ratio =
            runPipe(program.name, program.command, configuration, scratch.path(), clean, runs);
        ratios << QStringLiteral("%1 %2").arg(QString::fromLatin1(program.name),
                                              ratio > 0 ? QString::number(ratio, 'f', 2)
                                                        : QStringLiteral("-"));
    }
    std::printf("spell ratio to the program alone (target 1.50 or less): %s\n",
                qPrintable(ratios.join(QStringLiteral(", "))));
    return 0;
}
