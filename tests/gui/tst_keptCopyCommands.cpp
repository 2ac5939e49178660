#include "MainWindowSession.h"
#include "gui/ActionCatalog.h"
#include "gui/EditingCommands.h"
#include "gui/KeptCopyCommands.h"
#include "gui/dialogs/RestoreNoteDialog.h"

#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Writes a file, making its folder first.
void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    TestFolders::writeFile(path, bytes);
}

QByteArray notesFile(const QByteArray& notes) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n" + notes + "</Notes>\n";
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace

class TestKeptCopyCommands : public QObject {
    Q_OBJECT
private slots:
    void aDamagedFileIsReplacedByTheNewestCopyThatReads_data() {
        QTest::addColumn<bool>("restore");
        QTest::newRow("restored") << true;
        QTest::newRow("declined") << false;
    }
    void aDamagedFileIsReplacedByTheNewestCopyThatReads() {
        QFETCH(bool, restore);
        TestFolders folders;
        const QByteArray damaged = TwoNotes.left(TwoNotes.size() / 2);
        folders.writeNotes(damaged);
        const QString backups = folders.dataFolder() + "backups/";
        writeFile(backups + "quill-20090304-100000.xml", TwoNotes);
        writeFile(backups + "quill-20090305-090000.xml", "newer, but does not read");

        MainWindowSession s(folders);
        s.prompts.expect("Restore the newest earlier copy that can be read, kept on 3/4/09 10:00:00 AM? "
                         "The damaged file is kept as \"quill.xml.damaged-20090305-130213\".",
                         restore ? MsgButton::Yes : MsgButton::No);
        if (!restore)
            s.prompts.expect("has been logged", MsgButton::No);
        MainWindow& w = s.start();
        QVERIFY2(s.prompts.problems().isEmpty(), qPrintable(s.prompts.problems().join('\n')));
        QVERIFY(s.prompts.asked().value(0).text.contains("not well-formed XML"));
        QVERIFY(QFile::exists(backups + "quill-20090305-090000.xml"));
        if (!restore) {
            QCOMPARE(TestFolders::readFile(folders.notesPath()), damaged);
            QVERIFY(s.log().contains("Method Name:\tFormCreate"));
            QCOMPARE(s.titles(), QStringList());
            return;
        }
        QCOMPARE(TestFolders::readFile(folders.notesPath() + ".damaged-20090305-130213"), damaged);
        QCOMPARE(TestFolders::readFile(folders.notesPath()), TwoNotes);
        QCOMPARE(sorted(s.titles()), QStringList({"Newer", "Older"}));
        QVERIFY(w.testAccess().actions().newNoteAction->isEnabled());
    }

    // The dialog lists what only the copies hold; the chosen note comes back as it was, selected,
    // and the note being edited keeps its unsaved changes.
    void aChosenNoteIsRestored() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        writeFile(folders.dataFolder() + "backups/quill-20090304-100000.xml",
                  notesFile("<Note><Title>Older</Title><DateTime>39877.5</DateTime></Note>\n"
                            "<Note><Title>Also gone</Title><Text>a</Text><DateTime>39700</DateTime></Note>\n"
                            "<Note><Title>Gone</Title><Text>b^Mc</Text><DateTime>39800</DateTime>"
                            "<LastModified>39801.5</LastModified></Note>\n"));
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        s.openNote("Newer");
        w.testAccess().bodyEdit()->insertPlainText("unsaved ");
        const int editedPosition = w.testAccess().editing().openNotePosition();

        QStringList listed;
        QObject during;
        QObject::connect(&w.testAccess().keptCopies(), &KeptCopyCommands::dialogShown, &during,
                         [&](RestoreNoteDialog* dialog) {
                             QTreeWidget* list = dialog->list();
                             for (int row = 0; row < list->topLevelItemCount(); ++row)
                                 listed << list->topLevelItem(row)->text(0);
                             QVERIFY(!dialog->restoreButton()->isEnabled());
                             list->topLevelItem(0)->setSelected(true);
                             QTest::mouseClick(dialog->restoreButton(), Qt::LeftButton);
                         });
        w.testAccess().actions().restoreNoteAction->trigger();
        QVERIFY2(s.prompts.problems().isEmpty(), qPrintable(s.prompts.problems().join('\n')));

        QCOMPARE(listed, QStringList({"Gone", "Also gone"}));
        QCOMPARE(sorted(s.titles()), QStringList({"Gone", "Newer", "Older"}));
        NoteList& list = w.testAccess().noteList();
        const Note& restored = list.model()->note(list.selectedRow());
        QCOMPARE(restored.title, "Gone");
        QCOMPARE(restored.text, "b\nc");
        QCOMPARE(restored.lastModified, "39801.5");
        QVERIFY(TestFolders::readFile(folders.notesPath())
                    .contains("<DateTime>39800</DateTime>\n\t\t<LastModified>39801.5</LastModified>"));
        QCOMPARE(w.testAccess().editing().openNotePosition(), editedPosition);
        QVERIFY(w.testAccess().bodyEdit()->toPlainText().startsWith("unsaved "));
        QVERIFY(w.testAccess().editing().hasUnsavedChanges());
    }
};

QTEST_MAIN(TestKeptCopyCommands)
#include "tst_keptCopyCommands.moc"
