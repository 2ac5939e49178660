#include "store/NotesOutput.h"

#include <QtTest>

#include <pugixml.hpp>

namespace {

struct ByteWriter final : pugi::xml_writer {
    QByteArray bytes;
    void write(const void* data, size_t size) override {
        bytes.append(static_cast<const char*>(data), qsizetype(size));
    }
};

QByteArray whole(const pugi::xml_document& doc) {
    ByteWriter out;
    NotesOutput::writeWhole(doc, out);
    return out.bytes;
}

// One save as the store makes it: written, kept before the check, committed once the file holds it.
QByteArray saved(NotesOutput& output, const pugi::xml_document& doc) {
    ByteWriter out;
    output.write(doc, out);
    output.keep(std::span<const char>(out.bytes.constData(), size_t(out.bytes.size())));
    output.commit();
    return out.bytes;
}

QByteArray note(int i, const QByteArray& text) {
    return "<Note><Title>Note " + QByteArray::number(i) + "</Title><Text>" + text +
           "</Text><DateTime>39877.5</DateTime></Note>";
}

void setText(pugi::xml_node note, const char* text) {
    note.child("Text").text().set(text);
}

} // namespace

class TestNotesOutput : public QObject {
    Q_OBJECT

private slots:
    // Written note by note, a document reads exactly as written whole, whatever surrounds its notes;
    // where the notes could not join so, it is written whole.
    void notesJoinIntoTheSameBytes_data() {
        QTest::addColumn<QByteArray>("document");
        const QByteArray notes = note(1, "plain") + note(2, "a &amp; b &lt; c\r\nline&#13;") +
                                 note(3, "K\xC3\xA4se, \xE2\x82\xAC 5") + note(4, "");
        QTest::newRow("declared, with an encoding")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>" + notes + "</Notes>";
        QTest::newRow("not declared") << "<Notes>" + notes + "</Notes>";
        QTest::newRow("nodes around the root, attributes on it")
            << "<?xml version=\"1.0\"?><!DOCTYPE Notes><!-- before --><?tool run?>"
               "<Notes kind=\"a &quot;b&quot; &amp; &lt;c&gt;&#13;\" v='2'>" +
                   notes + "</Notes><!-- after -->";
        QTest::newRow("comments and instructions between the notes")
            << "<Notes><!-- first -->" + note(1, "x") + "<?keep this?>" + note(2, "y") + "<!---->" +
                   note(3, "z") + "</Notes>";
        QTest::newRow("notes nested deeper")
            << "<Notes><Note><Title>t</Title><Extra><A><B>deep</B></A></Extra></Note>" + notes + "</Notes>";
        QTest::newRow("text inside the root") << "<Notes>" + note(1, "x") + "stray" + note(2, "y") +
                                                     "<![CDATA[raw]]>" + note(3, "z") + "</Notes>";
        QTest::newRow("what marks where the notes go, already there")
            << "<?tool x\t<!--quillnote: the notes go here-->\n?><Notes>" + notes + "</Notes>";
        QTest::newRow("one note") << "<Notes>" + note(1, "only") + "</Notes>";
        QTest::newRow("no notes") << QByteArray("<Notes/>");
    }
    void notesJoinIntoTheSameBytes() {
        QFETCH(QByteArray, document);
        pugi::xml_document doc;
        QVERIFY(doc.load_buffer(document.constData(), size_t(document.size()), pugi::parse_full));
        NotesOutput output;
        QCOMPARE(saved(output, doc), whole(doc));
        // Then every note is copied from the save before, itself copied.
        QCOMPARE(saved(output, doc), whole(doc));
        QCOMPARE(saved(output, doc), whole(doc));
    }

    // What is copied from the last save is exactly what nothing touched since: a note changed without
    // a word is copied as it was, which is why the store must touch every note it changes.
    void onlyUntouchedNotesAreCopied() {
        QByteArray document = "<?xml version=\"1.0\"?><Notes><!-- by hand -->";
        for (int i = 0; i < 40; ++i)
            document += note(i, QByteArray(i * 37 % 500, char('a' + i % 26)) + "&#13;");
        document += "</Notes>";
        pugi::xml_document doc;
        QVERIFY(doc.load_buffer(document.constData(), size_t(document.size()), pugi::parse_full));
        pugi::xml_node root = doc.document_element();
        NotesOutput output;
        saved(output, doc);

        pugi::xml_node fifth = root.child("Note");
        for (int i = 0; i < 4; ++i)
            fifth = fifth.next_sibling();
        setText(fifth, "told");
        output.touch(fifth);
        setText(root.last_child(), "not told");
        const QByteArray second = saved(output, doc);
        QVERIFY(second.contains("<Text>told</Text>"));
        QVERIFY(!second.contains("not told"));

        // Removed and added notes break the copied runs in several places.
        output.clear();
        saved(output, doc);
        output.touch(root.child("Note"));
        root.remove_child(root.child("Note"));
        const pugi::xml_node added = root.insert_copy_after(fifth, fifth);
        setText(added, "added");
        output.touch(added);
        output.touch(root.last_child());
        root.remove_child(root.last_child());
        QCOMPARE(saved(output, doc), whole(doc));
        // A note put in without a word is out of step with the last save: it and the notes after it
        // are written out.
        root.insert_copy_before(fifth, root.child("Note"));
        QCOMPARE(saved(output, doc), whole(doc));
    }

    // A save that failed after keeping its bytes leaves nothing to copy from.
    void nothingIsCopiedFromASaveNotCommitted() {
        const QByteArray document = "<Notes>" + note(1, "one") + note(2, "two") + "</Notes>";
        pugi::xml_document doc;
        QVERIFY(doc.load_buffer(document.constData(), size_t(document.size()), pugi::parse_full));
        NotesOutput output;
        saved(output, doc);
        ByteWriter failed;
        output.write(doc, failed);
        output.keep(std::span<const char>(failed.bytes.constData(), size_t(failed.bytes.size())));
        setText(doc.document_element().first_child(), "changed meanwhile");
        QCOMPARE(saved(output, doc), whole(doc));
    }
};

QTEST_GUILESS_MAIN(TestNotesOutput)
#include "tst_notesOutput.moc"
