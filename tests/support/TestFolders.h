#pragma once

#include "platform/AppPaths.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A throw-away program folder (executable side, data, config) for one test.
class TestFolders {
public:
    TestFolders();
    AppPaths paths() const;
    QString root() const { return m_dir.path() + QLatin1Char('/'); }
    QString exeFolder() const { return root() + QStringLiteral("bin/"); }
    QString dataFolder() const { return root() + QStringLiteral("data/"); }
    QString configFolder() const { return root() + QStringLiteral("config/"); }
    QString notesPath() const { return dataFolder() + QStringLiteral("quill.xml"); }

    // Copies the shipped read-me text into the program folder.
    void installReadMe(const QByteArray& text = "Welcome to Quillnote.\nSecond line.\n") const;
    void writeNotes(const QByteArray& bytes) const;

    static QByteArray readFile(const QString& path);
    static void writeFile(const QString& path, const QByteArray& bytes);
    // A fixture from tests/support/fixtures.
    static QByteArray fixture(const QString& name);

private:
    QTemporaryDir m_dir;
};
