// The cost of noticing another program's writes: one save of an edited note at 10k and 100k notes,
// against the parts of it that serve the change check (the stamp after the write, with the hash of
// the written bytes, and the check before the next write, with and without a hash of the file).
#include "platform/Clock.h"
#include "platform/LocaleFormats.h"
#include "platform/Prompts.h"
#include "store/FileStamp.h"
#include "store/NoteStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace {

struct SilentPrompts final : IPrompts {
    MsgButton messageDlg(const QString& text, MsgKind, MsgButtons) override {
        std::fprintf(stderr, "unexpected question: %s\n", qPrintable(text));
        return MsgButton::OK;
    }
    void plainMessage(const QString& text) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

// Moves the file's time back, as it is when the next save comes more than a moment later.
void age(const QString& path) {
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    ::stat(name.constData(), &info);
    info.st_mtim.tv_sec -= 10;
    const timespec times[2] = {info.st_atim, info.st_mtim};
    ::utimensat(AT_FDCWD, name.constData(), times, 0);
}

void measure(int count, const QString& makeNotes, const QString& folder) {
    const QString path = folder + QStringLiteral("/quill.xml");
    QProcess::execute(QStringLiteral("python3"), {makeNotes, QString::number(count), path});
    const LocaleFormats formats = LocaleFormats::capture();
    SystemClock clock;
    SilentPrompts prompts;
    NoteStore store(formats, clock, prompts, {});
    store.open(path);
    const QByteArray bytes = store.serialized();

    std::vector<double> save, hashWritten, stampSettled, checkSettled, checkRacy;
    for (int round = 0; round < 9; ++round) {
        QElapsedTimer t;
        t.start();
        store.updateNote(round, QStringLiteral("edited %1").arg(round), QStringLiteral("body"),
                         QDateTime::currentDateTime());
        save.push_back(msSince(t));

        t.restart();
        const quint64 hash = FileStamp::hashOf(bytes);
        hashWritten.push_back(msSince(t));

        t.restart();
        FileStamp racy = FileStamp::taken(path);
        racy.setHash(hash);
        const bool changed = racy.changedOn(path); // within the window: hashes the file
        checkRacy.push_back(msSince(t));

        age(path);
        t.restart();
        FileStamp settled = FileStamp::taken(path);
        stampSettled.push_back(msSince(t));
        t.restart();
        const bool changedSettled = settled.changedOn(path);
        checkSettled.push_back(msSince(t));
        if (!changed || changedSettled)
            std::fprintf(stderr, "unexpected result: %d %d\n", changed, changedSettled);
    }
    const double s = median(save);
    std::printf("%7d %8.1f MiB %9.2f %10.2f %11.3f %12.3f %10.2f %6.1f%% %6.1f%%\n", count,
                double(bytes.size()) / (1 << 20), s, median(hashWritten), median(stampSettled),
                median(checkSettled), median(checkRacy), 100 * (median(hashWritten) + median(checkRacy)) / s,
                100 * (median(hashWritten) + median(stampSettled) + median(checkSettled)) / s);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString makeNotes = QStringLiteral(QUILL_BENCH_DIR "/make_notes.py");
    QTemporaryDir dir;
    std::printf("  notes      size   save ms  hash-bytes  stamp(stat)  check(stat)  check+hash  "
                "worst  settled\n");
    for (const int count : {10000, 100000})
        measure(count, makeNotes, dir.path());
    return 0;
}
