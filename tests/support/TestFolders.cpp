#include "TestFolders.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

TestFolders::TestFolders() {
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    for (const QString& f : {exeFolder(), dataFolder(), configFolder()})
        QDir().mkpath(f);
}

AppPaths TestFolders::paths() const {
    return AppPaths(exeFolder(), dataFolder(), configFolder());
}

void TestFolders::installReadMe(const QByteArray& text) const {
    writeFile(exeFolder() + QStringLiteral("qnReadMe.txt"), text);
}

void TestFolders::writeNotes(const QByteArray& bytes) const {
    writeFile(notesPath(), bytes);
}

QByteArray TestFolders::readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void TestFolders::writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}

QByteArray TestFolders::fixture(const QString& name) {
    const QByteArray bytes = readFile(QStringLiteral(QUILL_FIXTURES_DIR "/") + name);
    if (bytes.isEmpty())
        throw std::runtime_error("missing fixture");
    return bytes;
}
