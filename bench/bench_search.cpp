// Times one all-notes search that walks every row without a match, at 10k and 100k notes: the
// median of several runs of the real command over the real list, fields and find box.
#include "controls/LinkTextEdit.h"
#include "gui/NoteList.h"
#include "gui/SearchBar.h"
#include "gui/SearchCommands.h"
#include "platform/Prompts.h"
#include "store/AppSettings.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QStatusBar>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct CountingPrompts final : IPrompts {
    int messages = 0;
    MsgButton messageDlg(const QString&, MsgKind, MsgButtons) override {
        ++messages;
        return MsgButton::OK;
    }
    void plainMessage(const QString&) override {}
};

std::vector<Note> generateNotes(int count) {
    static const char* words[] = {"plan",   "meeting", "garden", "Äpfel", "call",  "Zebra", "budget", "idea",
                                  "travel", "book",    "recipe", "code",  "music", "tax",   "letter", "shop"};
    QRandomGenerator rng(4711);
    std::vector<Note> notes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Note& n = notes[size_t(i)];
        n.title = QString::fromUtf8(words[rng.bounded(16)]) + ' ' +
                  QString::fromUtf8(words[rng.bounded(16)]) + ' ' + QString::number(i);
        for (int w = 0; w < 40; ++w)
            n.text += QString::fromUtf8(words[rng.bounded(16)]) + (w % 7 == 6 ? '\n' : ' ');
        n.position = i;
    }
    return notes;
}

double medianSearchMs(int count, int runs, qint64& textChars) {
    AppSettings settings;
    CountingPrompts prompts;
    QWidget window;
    NoteList list(settings, &window);
    LinkTextEdit title(true, &window), body(false, &window);
    QStatusBar barStatus(&window);
    QAction findAction(&window);
    SearchBar bar(findAction);
    bar.placeOn(&barStatus);
    SearchCommands search({list, title, body, settings, prompts, findAction, [] {}, {}}, bar);
    std::vector<Note> notes = generateNotes(count);
    textChars = 0;
    for (const Note& n : notes)
        textChars += n.title.size() + n.text.size();
    list.model()->setNotes(std::move(notes));
    // Starts with a common letter, so most rows offer many partial matches.
    bar.findEdit()->setText(QStringLiteral("e absent text"));

    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        search.findText();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    if (prompts.messages != runs || list.selectedRow() >= 0)
        std::fprintf(stderr, "unexpected: a row matched\n");
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    for (int count : {10000, 100000}) {
        qint64 chars = 0;
        const double ms = medianSearchMs(count, runs, chars);
        std::printf("all-notes search, no match, %6d notes (%.1f M chars): median %.2f ms of %d runs\n",
                    count, double(chars) / 1e6, ms, runs);
    }
    return 0;
}
