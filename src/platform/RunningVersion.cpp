#include "platform/RunningVersion.h"

// Angle brackets on purpose: a quoted include would find this folder's own RunningVersion.h first,
// while the generated header with the build's version lies in the build tree's include folder.
#include <RunningVersion.h>

namespace {

struct State {
    QString text;
    int reads = 0;
};

State& state() {
    static State s;
    return s;
}

} // namespace

const QString& RunningVersion::text() {
    return state().text;
}

void RunningVersion::GetProductVersion() {
    State& s = state();
    ++s.reads;
    s.text = QStringLiteral(QUILLNOTE_FILE_VERSION);
}

int RunningVersion::readCount() {
    return state().reads;
}
