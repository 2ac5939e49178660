#include "RunningVersion.h"

#include "BuildVersion.h" // generated in the build tree

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

void RunningVersion::readVersion() {
    State& s = state();
    ++s.reads;
    s.text = QStringLiteral(QUILLNOTE_FILE_VERSION);
}

int RunningVersion::readCount() {
    return state().reads;
}
