// Measures the notes file and the note list at 1k, 10k and 100k notes, each beside a bare reference:
// open + list built up to the first paint of the real window against a minimal window over a lazy
// model; a save after one edit against a bare temp+fsync+rename of the same bytes, and the part of
// the save that checks the written bytes as a strict XML reader would; the first sort by each column,
// at once after start-up and once the keys made in the background are there; reloading the list
// after another program replaced the file, against the first paint of a start.
#include "gui/AppServices.h"
#include "gui/EditingCommands.h"
#include "gui/MainWindow.h"
#include "gui/NoteList.h"
#include "gui/NotesFileWatcher.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "platform/Shell.h"
#include "store/StrictXml.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <pugixml.hpp>
#include <unistd.h>
#include <vector>

namespace {

struct SilentPrompts final : IPrompts {
    MsgButton messageDlg(const QString& text, MsgKind, MsgButtons) override {
        std::fprintf(stderr, "unexpected question: %s\n", qPrintable(text));
        return MsgButton::No;
    }
    void plainMessage(const QString& text) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
};
struct NoShell final : IShell {
    bool openUrl(const QUrl&) override { return false; }
};

QByteArray generateNotes(int count) {
    static const char* words[] = {"plan",   "meeting", "garden", "Äpfel", "call",  "Zebra", "budget", "idea",
                                  "travel", "book",    "recipe", "code",  "music", "tax",   "letter", "shop"};
    QRandomGenerator rng(4711);
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n";
    for (int i = 0; i < count; ++i) {
        QByteArray title = words[rng.bounded(16)];
        title += ' ';
        title += words[rng.bounded(16)];
        title += ' ' + QByteArray::number(i);
        QByteArray text;
        for (int w = 0; w < 20; ++w)
            text += QByteArray(words[rng.bounded(16)]) + (w % 7 == 6 ? "^M" : " ");
        const double created = 39000 + rng.bounded(5000) + rng.bounded(86400) / 86400.0;
        out += "\t<Note>\n\t\t<Title>" + title + "</Title>\n\t\t<Text>" + text + "</Text>\n\t\t<DateTime>" +
               QByteArray::number(created, 'g', 15) + "</DateTime>\n\t\t<LastModified>" +
               QByteArray::number(created + 1.5, 'g', 15) + "</LastModified>\n\t</Note>\n";
    }
    return out + "</Notes>\n";
}

// Runs the event loop until the widget has painted once.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget* w) { w->installEventFilter(this); }
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
    void wait() {
        while (!painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
};

// The reference: a document and a model that reads the cells only when they are painted.
class LazyModel final : public QAbstractTableModel {
public:
    explicit LazyModel(const QString& path) {
        doc.load_file(QFile::encodeName(path).constData());
        for (pugi::xml_node n : doc.document_element().children())
            if (n.type() == pugi::node_element)
                rows.push_back(n);
    }
    int rowCount(const QModelIndex& = {}) const override { return int(rows.size()); }
    int columnCount(const QModelIndex& = {}) const override { return 4; }
    QVariant data(const QModelIndex& i, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        static const char* names[] = {"DateTime", "LastModified", "Title", "Text"};
        return QString::fromUtf8(rows[size_t(i.row())].child(names[i.column()]).child_value());
    }
    pugi::xml_document doc;
    std::vector<pugi::xml_node> rows;
};

double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

double quillnoteFirstPaint(const QString& folder) {
    SilentPrompts prompts;
    NoShell shell;
    SystemClock clock;
    QElapsedTimer t;
    t.start();
    MainWindow w(AppServices{AppPaths(folder, folder, folder), prompts, shell, clock, {}});
    FirstPaint paint(w.testAccess().noteList().view()->viewport());
    w.startUp();
    w.show();
    paint.wait();
    return msSince(t);
}

double referenceFirstPaint(const QString& path) {
    QElapsedTimer t;
    t.start();
    LazyModel model(path);
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setModel(&model);
    view.resize(608, 400);
    FirstPaint paint(view.viewport());
    view.show();
    paint.wait();
    return msSince(t);
}

void bareDurableWrite(const QString& path, const QByteArray& bytes) {
    const QByteArray tmp = QFile::encodeName(path + ".bare");
    const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || ::fsync(fd) != 0)
        std::abort();
    ::close(fd);
    if (::rename(tmp.constData(), QFile::encodeName(path).constData()) != 0)
        std::abort();
    const int dir =
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    ::fsync(dir);
    ::close(dir);
}

// The save links the old file as a kept copy before the rename, so the rename frees nothing; the
// bare write's old file is kept the same way, outside the timing, so that neither pays for freeing it.
double timedBareDurableWrite(const QString& path, const QByteArray& bytes) {
    const QString old = path + QStringLiteral(".old");
    QFile::remove(old);
    QFile::link(path, old);
    QElapsedTimer t;
    t.start();
    bareDurableWrite(path, bytes);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    QFile::remove(old);
    return ms;
}

// Another program (a sync tool) replaces the file by rename, with one note's title changed.
void replaceFromOutside(const QString& path, QByteArray bytes, int round) {
    const qsizetype at = bytes.indexOf("<Title>");
    if (at < 0)
        std::abort();
    bytes.insert(at + 7, QByteArray("outside ") + QByteArray::number(round) + ' ');
    const QString tmp = path + QStringLiteral(".sync");
    QFile out(tmp);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        std::abort();
    out.close();
    if (::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(path).constData()) != 0)
        std::abort();
}

// From the watcher's look at the file until the rebuilt list has painted, with a note open in the
// middle of the list and its keys made, as after a while of use; sorted as at start-up
// ($QUILL_BENCH_RELOAD_SORT names another column).
std::vector<double> timedReloads(const QString& folder, const QByteArray& bytes, int count, int repeats) {
    SilentPrompts prompts;
    NoShell shell;
    SystemClock clock;
    MainWindow w(AppServices{AppPaths(folder, folder, folder), prompts, shell, clock, {}});
    w.startUp();
    w.show();
    NoteList& list = w.testAccess().noteList();
    FirstPaint shown(list.view()->viewport());
    shown.wait();
    if (const QString column = qEnvironmentVariable("QUILL_BENCH_RELOAD_SORT"); !column.isEmpty())
        list.sortByColumn(column.toInt());
    list.selectRow(count / 2);
    w.testAccess().editing().openSelectedNote();
    std::vector<double> times;
    for (int r = 0; r < repeats; ++r) {
        while (count >= 1000 && !list.model()->sortKeysPrepared())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        replaceFromOutside(folder + QStringLiteral("quill.xml"), bytes, r);
        FirstPaint paint(list.view()->viewport());
        QElapsedTimer t;
        t.start();
        w.testAccess().fileWatcher().lookAtFile();
        paint.wait();
        times.push_back(msSince(t));
    }
    w.hide();
    return times;
}

// One first sort by a column, in a window of its own: before the list was ever shown (no key made),
// clicked at once after its first paint (the keys in the background just begun), or once those keys
// are all made.
enum class SortMoment { Unshown, AtOnce, Prepared };

// CPU time of the calling thread: what the window's thread spends, which a busy machine inflates far
// less than the wall time.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double firstSort(const QString& folder, int column, SortMoment moment, double* prepareMs = nullptr,
                 double* cpuMs = nullptr) {
    SilentPrompts prompts;
    NoShell shell;
    SystemClock clock;
    MainWindow w(AppServices{AppPaths(folder, folder, folder), prompts, shell, clock, {}});
    w.startUp();
    NoteList& list = w.testAccess().noteList();
    if (moment != SortMoment::Unshown) {
        FirstPaint paint(list.view()->viewport());
        w.show();
        paint.wait();
        QElapsedTimer t;
        t.start();
        QCoreApplication::processEvents(); // a click queued behind the paint
        while (moment == SortMoment::Prepared && list.model()->rowCount() >= 1000 &&
               !list.model()->sortKeysPrepared())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (prepareMs)
            *prepareMs = msSince(t);
    }
    list.view()->setUpdatesEnabled(false);
    QElapsedTimer t;
    t.start();
    const double cpuBefore = threadCpuMs();
    list.sortByColumn(column);
    const double ms = msSince(t);
    if (cpuMs)
        *cpuMs = threadCpuMs() - cpuBefore;
    w.hide(); // a window torn down while shown lays out its rows after the store has gone
    return ms;
}

const char* columnName(int column) {
    return column == 2 ? "title" : column == 1 ? "modif" : "note";
}

// $QUILL_BENCH_ONLY=sort: only the first sorts, each round one of each, for comparing builds run in
// turn.
void runSorts(const QString& folder, int count, int repeats) {
    std::printf("first sort at %d notes, milliseconds: column, then unshown / at once [its CPU time on "
                "the window's thread] / keys made (prepare)\n",
                count);
    enum { Unshown, AtOnce, AtOnceCpu, Prepared, Figures };
    std::vector<double> figures[3][Figures];
    std::vector<double> prepare;
    for (int r = 0; r < repeats; ++r) {
        for (const int column : {2, 1, 3}) {
            double prepareMs = 0;
            double cpuMs = 0;
            std::vector<double>* f = figures[column - 1];
            f[Unshown].push_back(firstSort(folder, column, SortMoment::Unshown));
            f[AtOnce].push_back(firstSort(folder, column, SortMoment::AtOnce, nullptr, &cpuMs));
            f[AtOnceCpu].push_back(cpuMs);
            f[Prepared].push_back(firstSort(folder, column, SortMoment::Prepared, &prepareMs));
            prepare.push_back(prepareMs);
            std::printf("round %d  %-6s %8.1f %8.1f [%5.1f] %8.1f  (%.0f)\n", r, columnName(column),
                        f[Unshown].back(), f[AtOnce].back(), cpuMs, f[Prepared].back(), prepareMs);
            std::fflush(stdout);
        }
    }
    for (const int column : {2, 1, 3}) {
        const std::vector<double>* f = figures[column - 1];
        std::printf("median %-6s %8.1f %8.1f [%5.1f] %8.1f\n", columnName(column), median(f[Unshown]),
                    median(f[AtOnce]), median(f[AtOnceCpu]), median(f[Prepared]));
    }
    std::printf("median prepare %.0f\n", median(prepare));
}

void run(int count, int repeats) {
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    const QString path = folder + QStringLiteral("quill.xml");
    // scripts/bench.sh passes the realistic files it made for the start-up figures.
    const QString given = qEnvironmentVariable("QUILL_BENCH_NOTES_DIR");
    const QString givenPath = given + QStringLiteral("/notes-%1.xml").arg(count);
    const QByteArray bytes = !given.isEmpty() && QFile::exists(givenPath)
                                 ? [&] {
                                       QFile in(givenPath);
                                       in.open(QIODevice::ReadOnly);
                                       return in.readAll();
                                   }()
                                 : generateNotes(count);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    f.close();

    if (qEnvironmentVariable("QUILL_BENCH_ONLY") == QLatin1String("sort")) {
        runSorts(folder, count, repeats);
        return;
    }
    std::vector<double> ours, reference, save, bare, check, sortFirst, sortAgain;
    // $QUILL_BENCH_ONLY=save measures only the save, =reload only the first paint and the reload.
    const QString only = qEnvironmentVariable("QUILL_BENCH_ONLY");
    const bool saveOnly = only == QLatin1String("save");
    for (int r = 0; r < repeats && !saveOnly; ++r) {
        ours.push_back(quillnoteFirstPaint(folder));
        reference.push_back(referenceFirstPaint(path));
    }
    const std::vector<double> reload =
        saveOnly ? std::vector<double>() : timedReloads(folder, bytes, count, repeats);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    f.close();
    if (only == QLatin1String("reload")) {
        std::printf("%7d  %10.1f  %10.1f  %6.2fx  (reload only)  reload %8.1f  %6.2fx first-paint\n", count,
                    median(ours), median(reference), median(ours) / median(reference), median(reload),
                    median(reload) / median(ours));
        std::fflush(stdout);
        return;
    }
    {
        SilentPrompts prompts;
        NoShell shell;
        SystemClock clock;
        MainWindow w(AppServices{AppPaths(folder, folder, folder), prompts, shell, clock, {}});
        w.startUp();
        const QByteArray current = w.testAccess().store().serialized();
        const QString barePath = folder + QStringLiteral("bare.xml");
        bareDurableWrite(barePath, current);
        for (int r = 0; r < repeats; ++r) {
            // Each first in turn: the one after sees the memory and the disk as the other left them.
            if (r % 2)
                bare.push_back(timedBareDurableWrite(barePath, current));
            QElapsedTimer t;
            t.start();
            w.testAccess().store().updateNote(1, QStringLiteral("edited %1").arg(r), QStringLiteral("body"),
                                              clock.now());
            save.push_back(msSince(t));
            if (r % 2 == 0)
                bare.push_back(timedBareDurableWrite(barePath, current));
            t.restart();
            if (!StrictXml::characterFault(current).isEmpty())
                std::abort();
            check.push_back(msSince(t));
        }
        for (int r = 0; r < repeats && !saveOnly; ++r) {
            w.testAccess().noteList().view()->setUpdatesEnabled(false);
            QElapsedTimer t;
            t.start();
            w.testAccess().noteList().sortByColumn(2);
            (r == 0 ? sortFirst : sortAgain).push_back(msSince(t));
        }
    }
    // The first sort by the other columns, each in a window of its own: the first reads the rows.
    double sortFirstBy[2] = {};
    for (const int column : {1, 3}) {
        if (saveOnly)
            break;
        SilentPrompts prompts;
        NoShell shell;
        SystemClock clock;
        MainWindow w(AppServices{AppPaths(folder, folder, folder), prompts, shell, clock, {}});
        w.startUp();
        w.testAccess().noteList().view()->setUpdatesEnabled(false);
        QElapsedTimer t;
        t.start();
        w.testAccess().noteList().sortByColumn(column);
        sortFirstBy[column / 2] = msSince(t);
    }
    // The same with the keys made first, as when the user clicks a moment after the window shows.
    double sortPrepared[3] = {};
    double prepareMs = 0;
    for (const int column : {1, 2, 3}) {
        SilentPrompts prompts;
        NoShell shell;
        SystemClock clock;
        MainWindow w(AppServices{AppPaths(folder, folder, folder), prompts, shell, clock, {}});
        w.startUp();
        w.show(); // the keys are made once the list has been painted
        QElapsedTimer t;
        t.start();
        const NoteListModel& model = *w.testAccess().noteList().model();
        while (count >= 1000 && !model.sortKeysPrepared())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        prepareMs = std::max(prepareMs, msSince(t));
        w.testAccess().noteList().view()->setUpdatesEnabled(false);
        t.restart();
        w.testAccess().noteList().sortByColumn(column);
        sortPrepared[column - 1] = msSince(t);
        w.hide(); // a window torn down while shown lays out its rows after the store has gone
    }
    std::printf(
        "%7d  %10.1f  %10.1f  %6.2fx  %8.1f  %8.1f  %6.2fx  %6.2f  %5.1f%%  %10.1f  %10.1f  %10.1f  %10.1f"
        "  %8.0f  %10.1f  %10.1f  %10.1f  %8.1f  %6.2fx\n",
        count, median(ours), median(reference), median(ours) / median(reference), median(save), median(bare),
        median(save) / median(bare), median(check), 100 * median(check) / median(save), median(sortFirst),
        sortAgain.empty() ? 0.0 : median(sortAgain), sortFirstBy[0], sortFirstBy[1], prepareMs,
        sortPrepared[1], sortPrepared[0], sortPrepared[2], median(reload), median(reload) / median(ours));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const int repeats = argc > 1 ? std::max(2, atoi(argv[1])) : 5;
    std::printf("median of %d runs, milliseconds\n", repeats);
    std::printf("  notes  first-paint   reference   ratio      save  bare-save   ratio   check  share  "
                "sort-title  sort-again"
                "  sort-modif   sort-note  prepare  then-title  then-modif   then-note    reload  /paint\n");
    // $QUILL_BENCH_SIZES picks the note counts, as for the start-up figures.
    QList<int> counts{1000, 10000, 100000};
    if (const QString sizes = qEnvironmentVariable("QUILL_BENCH_SIZES"); !sizes.isEmpty()) {
        counts.clear();
        for (const QString& size : sizes.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            counts.append(size.toInt());
    }
    for (int count : counts)
        run(count, count == 100000 && qEnvironmentVariableIsEmpty("QUILL_BENCH_ONLY") ? std::min(repeats, 3)
                                                                                      : repeats);
    return 0;
}
