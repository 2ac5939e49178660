#pragma once

#include "TestFolders.h"

#include <QFile>
#include <QtTest>

#include <cstdio>

// Notes files as another program writes them, and the way sync tools put them in place.
namespace OutsideWriter {

inline QByteArray note(const QByteArray& title, const QByteArray& text, const QByteArray& created) {
    return "\t<Note>\n\t\t<Title>" + title + "</Title>\n\t\t<Text>" + text + "</Text>\n\t\t<DateTime>" +
           created + "</DateTime>\n\t</Note>\n";
}

inline QByteArray notesFile(const QByteArray& notes) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n" + notes + "</Notes>\n";
}

// The new contents go to a temporary file that is renamed over the old one.
inline void replaceByRename(const QString& path, const QByteArray& bytes) {
    const QString temporary = path + QStringLiteral(".sync-tmp");
    TestFolders::writeFile(temporary, bytes);
    QVERIFY(std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0);
}

} // namespace OutsideWriter
