#include "MainWindowSession.h"
#include "PdfPrintDialogs.h"
#include "controls/LinkTextEdit.h"
#include "gui/ActionCatalog.h"
#include "gui/OutputCommands.h"
#include "output/NoteExport.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

using NoteExport::CheckedRow;
using NoteExport::EditorNote;

namespace {

const QString Under26 = QString(26, QLatin1Char('_'));
const QString Under50 = QString(50, QLatin1Char('_'));

Note note(const QString& title, const QString& text) {
    Note n;
    n.title = title;
    n.text = text;
    return n;
}

QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

QString pdfInfo(const QString& pdf, const QString& field) {
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf}));
    const QRegularExpression line(QStringLiteral("^") + field + QStringLiteral(":\\s*(.*)$"),
                                  QRegularExpression::MultilineOption);
    return line.match(info).captured(1).trimmed();
}

} // namespace

Q_DECLARE_METATYPE(NoteExport::PrinterPage)

// Printing: the document put together from the editors and the checked rows, and the real print
// into a PDF file read back with poppler's tools.
class TestPrint : public QObject {
    Q_OBJECT

    static void check(MainWindow& w, const QStringList& titles) {
        NoteListModel& m = *w.testAccess().noteList().model();
        for (int r = 0; r < m.rowCount(); ++r)
            if (titles.contains(m.note(r).title))
                m.setData(m.index(r, 0), Qt::Checked, Qt::CheckStateRole);
        emit w.testAccess().noteList().clicked();
    }
    static void openOlder(MainWindow& w) {
        w.testAccess().noteList().selectRow(
            w.testAccess().noteList().model()->note(0).title == QLatin1String("Older") ? 0 : 1);
        emit w.testAccess().noteList().doubleClicked();
        QCOMPARE(w.testAccess().titleEdit()->text(), QStringLiteral("Older"));
    }

private slots:
    void document_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("ownRowChecked"); // listed first
        QTest::addColumn<QString>("expected");

        const QString a = QStringLiteral("\nA\n") + Under26 + QStringLiteral("\n\nalpha\n");
        const QString divider = QStringLiteral("\n") + Under50 + QStringLiteral("\n");
        const QString bPrinted = QStringLiteral("\nB\n") + Under26 + QStringLiteral("\n\nbeta\nend\n");

        QTest::newRow("titled note, body trimmed, title as shown")
            << " T "
            << "\n  body\n\n"
            << false
            << QStringLiteral(" T \n") + Under26 + QStringLiteral("\n\nbody\n") + divider + a + divider +
                   bPrinted;
        QTest::newRow("title without body: only the rows") << "T"
                                                           << "" << false << a + divider + bPrinted;
        QTest::newRow("untitled body first, as it stands")
            << " \t"
            << " raw \n"
            << false << QStringLiteral(" raw \n") + a + divider + bPrinted;
        QTest::newRow("nothing in the editors: starts with an empty line")
            << ""
            << "" << false << a + divider + bPrinted;
        QTest::newRow("own row printed once, counted for the divider")
            << "T"
            << "b" << true
            << QStringLiteral("T\n") + Under26 + QStringLiteral("\n\nb\n") + divider + a + divider + bPrinted;
        QTest::newRow("own row of an unprinted note still counts")
            << "T"
            << "" << true << divider + a + divider + bPrinted;
    }

    void document() {
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(bool, ownRowChecked);
        QFETCH(QString, expected);
        const Note own = note(title, QStringLiteral("saved text, never printed"));
        const Note a = note(QStringLiteral("A"), QStringLiteral("alpha"));
        const Note b = note(QStringLiteral("B"), QStringLiteral("beta\r\nend"));
        std::vector<CheckedRow> rows;
        if (ownRowChecked)
            rows.push_back({&own, true});
        rows.push_back({&a, false});
        rows.push_back({&b, false});
        QCOMPARE(NoteExport::printText(EditorNote{title, body, {}, {}}, rows), expected);
    }

    void pageRectangle_data() {
        QTest::addColumn<NoteExport::PrinterPage>("page");
        QTest::addColumn<double>("margin");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("letter at 300 dpi, no offsets")
            << NoteExport::PrinterPage{300, 300, 0, 0, 2550, 3300} << 1.0 << QRect(300, 300, 1950, 2700);
        // Offsets count on the right and bottom edges too.
        QTest::newRow("offsets subtracted on every edge")
            << NoteExport::PrinterPage{300, 600, 25, 50, 2500, 6400} << 1.0 << QRect(275, 550, 1900, 5200);
        QTest::newRow("ties round to even")
            << NoteExport::PrinterPage{301, 303, 0, 0, 1000, 1000} << 0.5 << QRect(150, 152, 700, 696);
        QTest::newRow("no room left: the whole printable area")
            << NoteExport::PrinterPage{300, 300, 10, 10, 500, 3000} << 1.0 << QRect(0, 0, 500, 3000);
    }

    void pageRectangle() {
        QFETCH(NoteExport::PrinterPage, page);
        QFETCH(double, margin);
        QFETCH(QRect, expected);
        QCOMPARE(NoteExport::pageRectangle(page, margin, margin, margin, margin), expected);
    }

    // A long note and two checked rows printed to PDF: every line as typed (no-break spaces too), in
    // order, inside the margins, under the job title; the editors are left exactly as they were.
    void aLongDocumentPrintsOnPagesInsideTheMargins() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        PdfPrintDialogs dialog;
        dialog.file = folders.root() + QStringLiteral("out.pdf");
        w.testAccess().output().setPrintDialogs(dialog);
        openOlder(w);
        w.testAccess().titleEdit()->setText(QStringLiteral("Older\u00A0one"));

        QString body = QStringLiteral("\n  ");
        for (int i = 1; i <= 150; ++i)
            body += QStringLiteral("Line %1 of\u00A0the long note\n").arg(i, 3, 10, QLatin1Char('0'));
        body += QString(400, QLatin1Char('W')) + QStringLiteral("\n\n");
        w.testAccess().bodyEdit()->setPlainText(body);
        QTest::keyClicks(w.testAccess().bodyEdit(),
                         QStringLiteral("typed")); // an undo step the print must keep
        body = w.testAccess().bodyEdit()->toPlainText();
        QVERIFY(w.testAccess().actions().saveNoteAction->isEnabled()); // the edit is unsaved
        check(w, {QStringLiteral("Older"), QStringLiteral("Newer")});
        QVERIFY(w.testAccess().actions().printAction->isEnabled());
        w.testAccess().actions().printAction->trigger();
        QCOMPARE(dialog.shown, 1);
        QVERIFY2(s.log().isEmpty(), s.log().constData());

        QCOMPARE(w.testAccess().bodyEdit()->toPlainText(), body);
        QVERIFY(w.testAccess().actions().saveNoteAction->isEnabled());
        QVERIFY(w.testAccess().bodyEdit()->document()->isUndoAvailable());

        QVERIFY(pdfInfo(dialog.file, QStringLiteral("Pages")).toInt() >= 3);
        QCOMPARE(pdfInfo(dialog.file, QStringLiteral("Title")), QStringLiteral("Quillnote: Older\u00A0one"));

        const QString text = QString::fromUtf8(
            run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), dialog.file, "-"}));
        QStringList order{QStringLiteral("Older one"), Under26};
        for (int i = 1; i <= 150; ++i)
            order << QStringLiteral("Line %1 of the long note").arg(i, 3, 10, QLatin1Char('0'));
        order << Under50 << QStringLiteral("Newer") << Under26 << QStringLiteral("second");
        qsizetype at = 0;
        for (const QString& piece : order) {
            const qsizetype found = text.indexOf(piece, at);
            QVERIFY2(found >= 0, qPrintable(piece));
            at = found + piece.size();
        }
        QCOMPARE(text.count(QStringLiteral("Older")), 1); // the open note is printed once
        QCOMPARE(text.count(QLatin1Char('W')), 400);      // the long word is broken, not cut
        // pdftotext reads a no-break space as a blank; ghostscript keeps it (and reads lines cut at a
        // page's edge twice).
        const QString glyphs =
            QString::fromUtf8(run(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"),
                                                         QStringLiteral("-dBATCH"), QStringLiteral("-dSAFER"),
                                                         QStringLiteral("-sDEVICE=txtwrite"),
                                                         QStringLiteral("-sOutputFile=-"), dialog.file}));
        QVERIFY(glyphs.contains(QStringLiteral("Older\u00A0one")));
        QVERIFY(glyphs.count(QStringLiteral("of\u00A0the")) >= 150);

        // Word boxes in points: nothing within an inch of the paper's edges.
        const QString boxes =
            QString::fromUtf8(run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), dialog.file, "-"}));
        const QRegularExpression pageTag(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\""));
        const QRegularExpressionMatch pageSize = pageTag.match(boxes);
        QVERIFY(pageSize.hasMatch());
        const double width = pageSize.captured(1).toDouble();
        const double height = pageSize.captured(2).toDouble();
        const QRegularExpression wordTag(QStringLiteral(
            "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)<"));
        constexpr double Inch = 72.0;
        constexpr double Tolerance = 1.0;
        int words = 0;
        double left = width;
        double top = height;
        for (const QRegularExpressionMatch& word : wordTag.globalMatch(boxes)) {
            ++words;
            const QString what = word.captured(5);
            left = std::min(left, word.captured(1).toDouble());
            top = std::min(top, word.captured(2).toDouble());
            QVERIFY2(word.captured(1).toDouble() >= Inch - Tolerance, qPrintable(what));
            QVERIFY2(word.captured(2).toDouble() >= Inch - Tolerance, qPrintable(what));
            QVERIFY2(word.captured(3).toDouble() <= width - Inch + Tolerance, qPrintable(what));
            QVERIFY2(word.captured(4).toDouble() <= height - Inch + Tolerance, qPrintable(what));
        }
        QVERIFY(words > 600);
        // ... and the text starts at the inch, measured from the paper's edge.
        QVERIFY2(left < Inch + 3 && top < Inch + 3, qPrintable(QStringLiteral("%1 %2").arg(left).arg(top)));

        // A page range chosen in the dialog prints only those pages.
        dialog.file = folders.root() + QStringLiteral("page2.pdf");
        dialog.fromPage = dialog.toPage = 2;
        w.testAccess().actions().printAction->trigger();
        QCOMPARE(pdfInfo(dialog.file, QStringLiteral("Pages")), QStringLiteral("1"));
        const QString page2 = QString::fromUtf8(run(QStringLiteral("pdftotext"), {dialog.file, "-"}));
        QVERIFY(page2.contains(QStringLiteral(" of the long note")));
        QVERIFY(!page2.contains(QStringLiteral("Older")) && !page2.contains(QStringLiteral("Newer")));
    }

    // The standard dialog, answered as a user would: its buttons decide the answer, and an accepted
    // dialog leaves its choice in the printer.
    void theStandardDialogAnswersItsButtons_data() {
        QTest::addColumn<bool>("accept");
        QTest::newRow("Print") << true;
        QTest::newRow("Cancel") << false;
    }

    void theStandardDialogAnswersItsButtons() {
        QFETCH(bool, accept);
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("chosen.pdf")));
        QWidget owner;
        QPrintDialog* seen = nullptr;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            seen = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (!seen)
                return;
            answer.stop();
            if (accept)
                seen->accept();
            else
                seen->reject();
        });
        answer.start(20);
        QtPrintDialogs dialogs(&owner);
        QCOMPARE(dialogs.dlgPrint(printer), accept);
        QVERIFY(seen);
        QCOMPARE(printer.outputFileName(), dir.filePath(QStringLiteral("chosen.pdf")));
    }

    void cancelPrintsNothing() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        PdfPrintDialogs dialog;
        dialog.file = folders.root() + QStringLiteral("out.pdf");
        dialog.accept = false;
        w.testAccess().output().setPrintDialogs(dialog);
        openOlder(w);
        w.testAccess().actions().printAction->trigger();
        QCOMPARE(dialog.shown, 1);
        QVERIFY(!QFile::exists(dialog.file));
        QVERIFY(s.log().isEmpty());
        QVERIFY(!w.testAccess().actions().saveNoteAction->isEnabled());
    }

    // A print job that cannot start is logged under the print step; the editors stay as they were.
    void aFailingPrinterIsLogged() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        PdfPrintDialogs dialog;
        dialog.file = folders.root() + QStringLiteral("missing/folder/out.pdf");
        w.testAccess().output().setPrintDialogs(dialog);
        openOlder(w);
        const QString before = w.testAccess().bodyEdit()->toPlainText();
        s.prompts.expect(QStringLiteral("has been logged"), MsgButton::No);
        w.testAccess().actions().printAction->trigger();
        QCOMPARE(s.prompts.pending(), 0);
        QVERIFY(s.log().contains("PrintRichText"));
        QVERIFY(s.log().contains("Main"));
        QCOMPARE(w.testAccess().bodyEdit()->toPlainText(), before);
        QVERIFY(!w.testAccess().actions().saveNoteAction->isEnabled());
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
