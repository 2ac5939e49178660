#include "Unprivileged.h"
#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <sys/stat.h>

// Where the program keeps its notes and log: beside itself when it runs from a writable folder of its
// own, in the XDG data folder when installed. Each folder is judged by a child that runs as an
// ordinary user, since root may write anywhere.
class tst_appPaths : public QObject {
    Q_OBJECT

private slots:
    void portableOnlyInAWritableFolderOfItsOwn_data();
    void portableOnlyInAWritableFolderOfItsOwn();
};

void tst_appPaths::portableOnlyInAWritableFolderOfItsOwn_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("portable");

    QTest::newRow("writable folder") << "bin" << 0777 << true;
    QTest::newRow("read-only folder") << "bin" << 0555 << false;
    QTest::newRow("installed copy, read-only") << "usr/lib/quillnote" << 0555 << false;
    QTest::newRow("installed copy, writable") << "usr/lib/quillnote" << 0777 << false;
    QTest::newRow("installed copy, trailing slash") << "opt/lib/quillnote/" << 0777 << false;
    QTest::newRow("name that only starts alike") << "lib/quillnote-2" << 0777 << true;
}

void tst_appPaths::portableOnlyInAWritableFolderOfItsOwn() {
    QFETCH(QString, folder);
    QFETCH(int, mode);
    QFETCH(bool, portable);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir(root.path()).mkpath(folder));
    // Every folder on the way stays passable for the child.
    const QString target = QDir::cleanPath(root.path() + QLatin1Char('/') + folder);
    for (QString path = target; path.size() >= root.path().size(); path = QFileInfo(path).path())
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode_t(mode)), 0);

    const ChildRun child =
        runUnprivileged({QCoreApplication::applicationFilePath(), QStringLiteral("--portable"),
                         root.path() + QLatin1Char('/') + folder});
    QVERIFY2(child.finished, child.errors.constData());
    QCOMPARE(child.output.trimmed(), QByteArray(portable ? "portable" : "data"));
}

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--portable") == 0) {
        std::puts(AppPaths::isPortableFolder(QString::fromLocal8Bit(argv[2])) ? "portable" : "data");
        return 0;
    }
    QCoreApplication app(argc, argv);
    tst_appPaths test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appPaths.moc"
