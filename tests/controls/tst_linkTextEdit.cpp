#include "controls/LinkTextEdit.h"
#include "controls/UrlFinder.h"

#include <QClipboard>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

// The link rule on its own, then the real control offscreen: underlining, undo, presses, hover.
class TestLinkTextEdit : public QObject {
    Q_OBJECT

    // The text of every range the control draws underlined in the palette's link colour.
    static QStringList underlined(const LinkTextEdit& edit) {
        QStringList texts;
        for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next())
            for (const QTextLayout::FormatRange& r : b.layout()->formats())
                if (r.format.fontUnderline() &&
                    r.format.foreground().color() == edit.palette().color(QPalette::Link))
                    texts << b.text().mid(r.start, r.length);
        return texts;
    }
    static void show(LinkTextEdit& edit, const QString& text, int width = 400) {
        edit.resize(width, edit.isSingleLine() ? 30 : 200);
        edit.setText(text);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
    }
    // The middle of the character at a document position, in viewport coordinates.
    static QPoint charCentre(const QPlainTextEdit& edit, int position) {
        QTextCursor c(edit.document());
        c.setPosition(position);
        const QRect left = edit.cursorRect(c);
        c.setPosition(position + 1);
        return QPoint((left.x() + edit.cursorRect(c).x()) / 2, left.center().y());
    }
    static QPoint afterLineEnd(const QPlainTextEdit& edit, int position) {
        QTextCursor c(edit.document());
        c.setPosition(position);
        return edit.cursorRect(c).center() + QPoint(25, 0);
    }

private slots:
    void findsLinks_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const QString& line, const QStringList& expected) {
            QTest::newRow(name) << line << expected;
        };
        row("every scheme",
            "a http://h.de b https://h.de/p ftp://f.org file:///tmp/x mailto:a.b@c.de news:de.comp",
            {"http://h.de", "https://h.de/p", "ftp://f.org", "file:///tmp/x", "mailto:a.b@c.de",
             "news:de.comp"});
        row("any case", "HTTPS://H.DE/A Www.Host.de mAiLtO:x@y",
            {"HTTPS://H.DE/A", "Www.Host.de", "mAiLtO:x@y"});
        row("prefix alone", "http:// www. mailto: news:, file://. (https://) www...", {});
        row("inside a word", "xhttp://a.b 1www.a.b _www.a.b user@www.h.de a.www.h.de -www.a.b /http://a", {});
        row("after brackets, quotes, colon", "(http://a.b) \"www.c.d\" <ftp://e.f> url:news:g 'www.h.i'",
            {"http://a.b", "www.c.d", "ftp://e.f", "news:g", "www.h.i"});
        row("sentence end dropped",
            "www.a.b. www.c.d, www.e.f; www.g.h: www.i.j! www.k.l? www.m.n' www.o.p?!.",
            {"www.a.b", "www.c.d", "www.e.f", "www.g.h", "www.i.j", "www.k.l", "www.m.n", "www.o.p"});
        row("inner punctuation kept", "http://a.b/x.y,z;w:1!?'q", {"http://a.b/x.y,z;w:1!?'q"});
        row("brackets", "(see http://w.org/A_(b)) [www.x.y/[1]] {www.z.q} http://a.b/(c http://d.e/).",
            {"http://w.org/A_(b)", "www.x.y/[1]", "www.z.q", "http://a.b/(c", "http://d.e/"});
        row("odd characters", "http://a.b/p%20q?x=1&y=~z#f|g^`h*", {"http://a.b/p%20q?x=1&y=~z#f|g^`h*"});
        row("non-ASCII", "http://bücher.de/straße?q=ü überhttp://x.de éwww.a.de",
            {"http://bücher.de/straße?q=ü"});
        row("letter beyond 16 bits", "\U0001D400http://a.b \U0001F600http://c.d", {"http://c.d"});
        row("combining mark", "e\u0301http://a.b", {});
        row("terminators", "http://a<b www.c>d www.e\"f www.g\th www.i\u00a0j www.k\u3000l www.m\u2028n",
            {"http://a", "www.c", "www.e", "www.g", "www.i", "www.k", "www.m"});
        row("line start and end", "www.a.b x http://c.d", {"www.a.b", "http://c.d"});
        row("comma joins", "http://a.b,http://c.d", {"http://a.b,http://c.d"});
        row("scheme inside", "http://http://a www.www.b", {"http://http://a", "www.www.b"});
        QString controls;
        QStringList twice;
        for (char16_t c = 0; c < 0xa0; c = (c == 0x1f ? 0x7f : c + 1)) {
            controls += QStringLiteral("www.a") + QChar(c) + QStringLiteral("http://b") + QChar(c);
            twice << "www.a"
                  << "http://b";
        }
        row("every control character", controls, twice);
    }
    void findsLinks() {
        QFETCH(QString, line);
        const QList<UrlSpan> found = UrlFinder::find(line);
        QStringList texts;
        for (const UrlSpan& link : found)
            texts << line.mid(link.start, link.length);
        QTEST(texts, "expected");
        // linkAt scans only the run around an index: it must agree with the scan of the whole line.
        for (qsizetype i = 0; i < line.size(); ++i) {
            const auto in =
                std::find_if(found.begin(), found.end(), [i](auto l) { return i >= l.start && i < l.end(); });
            QVERIFY(UrlFinder::linkAt(line, i) == (in == found.end() ? std::nullopt : std::optional(*in)));
        }
    }

    // Unbounded work per character would hang here until the test's time-out.
    void largeLines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<qsizetype>>("lengths"); // of the first link, then the count
        const QString mb(1 << 20, 'a');
        QTest::newRow("one long link") << "http://" + mb << QList<qsizetype>{mb.size() + 7, 1};
        QTest::newRow("closers to drop") << "(http://x" + QString(1 << 20, ')') << QList<qsizetype>{8, 1};
        QTest::newRow("dots to drop") << "http://" + QString(1 << 20, '.') << QList<qsizetype>{0, 0};
        QTest::newRow("prefix repeated")
            << QStringLiteral("www.").repeated(1 << 18) << QList<qsizetype>{mb.size() - 1, 1};
        QTest::newRow("almost a prefix")
            << QStringLiteral("http:/").repeated(1 << 18) << QList<qsizetype>{0, 0};
        QTest::newRow("many links") << QStringLiteral("http://h.de/x, ").repeated(50000)
                                    << QList<qsizetype>{13, 50000};
    }
    void largeLines() {
        QFETCH(QString, line);
        const QList<UrlSpan> found = UrlFinder::find(line);
        const qsizetype middle = line.size() / 2;
        const auto in = std::find_if(found.begin(), found.end(),
                                     [&](auto l) { return middle >= l.start && middle < l.end(); });
        QTEST((QList<qsizetype>{found.isEmpty() ? 0 : found.first().length, found.size()}), "lengths");
        QVERIFY(UrlFinder::linkAt(line, middle) == (in == found.end() ? std::nullopt : std::optional(*in)));
    }

    void underlinesLoadedText_data() {
        QTest::addColumn<bool>("singleLine");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("body") << false << "see www.a.de.\nnothing\nmailto:x@y and http://b.c/(d)"
                              << QStringList{"www.a.de", "mailto:x@y", "http://b.c/(d)"};
        QTest::newRow("title, line breaks made blanks")
            << true << "http://a.b\nwww.c.d" << QStringList{"http://a.b", "www.c.d"};
        QString controls = QStringLiteral("go ");
        for (char16_t c = 1; c < 0x20; ++c)
            controls += QChar(c);
        QTest::newRow("control characters") << false << controls + "www.e.f\u0085http://g" + QChar(0x7f)
                                            << QStringList{"www.e.f", "http://g"};
        QTest::newRow("no link") << true << "http:// xwww.a.b" << QStringList{};
    }
    void underlinesLoadedText() {
        QFETCH(bool, singleLine);
        QFETCH(QString, text);
        LinkTextEdit edit(singleLine);
        edit.setText(text);
        QTEST(underlined(edit), "expected");
        QVERIFY(!edit.document()->isUndoAvailable());
        QVERIFY(!edit.document()->isModified());
    }

    void typingAndPastingUnderlineWithoutUndoStepsOrLostNotifications() {
        LinkTextEdit edit(false);
        QPlainTextEdit plain;
        QSignalSpy changes(&edit, &QPlainTextEdit::textChanged);
        QTest::keyClicks(&edit, QStringLiteral("go www."));
        QCOMPARE(underlined(edit), QStringList());
        QTest::keyClicks(&edit, QStringLiteral("x.de, "));
        QCOMPARE(underlined(edit), QStringList{"www.x.de"});
        QCOMPARE(changes.size(), 13); // one per key, none from the underlining

        QTest::keyClicks(&plain, QStringLiteral("go www.x.de, "));
        QCOMPARE(edit.document()->availableUndoSteps(), plain.document()->availableUndoSteps());
        QPalette red = edit.palette();
        red.setColor(QPalette::Link, Qt::darkRed); // readable on white, so taken as it is
        edit.setPalette(red);                      // the links follow the palette and stay links
        QCOMPARE(underlined(edit), QStringList{"www.x.de"});
        QCOMPARE(changes.size(), 13);
        while (edit.document()->isUndoAvailable())
            edit.undo();
        QCOMPARE(edit.text(), QString());
        QCOMPARE(underlined(edit), QStringList());

        LinkTextEdit title(true); // pasted line breaks become blanks
        QGuiApplication::clipboard()->setText(QStringLiteral("a\r\nhttp://x.y\rz\nwww.q.r"));
        title.paste();
        QCOMPARE(title.text(), QStringLiteral("a http://x.y z www.q.r"));
        QCOMPARE(underlined(title), (QStringList{"http://x.y", "www.q.r"}));
    }

    // Positions are characters of the text; -1 - n means 25 pixels right of the caret at n.
    void leftPressOnALink_data() {
        QTest::addColumn<bool>("singleLine");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("expected");
        const QString body = QStringLiteral("see http://a.de/x, now\nwww.b.de\nmailto:c@d");
        QTest::newRow("first character") << false << body << 4 << "http://a.de/x";
        QTest::newRow("last character") << false << body << 16 << "http://a.de/x";
        QTest::newRow("dropped comma") << false << body << 17 << "";
        QTest::newRow("plain word") << false << body << 1 << "";
        QTest::newRow("line start") << false << body << 23 << "www.b.de";
        QTest::newRow("line end") << false << body << 30 << "www.b.de";
        QTest::newRow("right of a line's end") << false << body << -1 - 31 << "";
        QTest::newRow("last line") << false << body << 41 << "mailto:c@d";
        QTest::newRow("right of the last line") << false << body << -1 - 42 << "";
        QTest::newRow("title") << true << "a www.b.de" << 9 << "www.b.de";
        QTest::newRow("right of a title") << true << "a www.b.de" << -1 - 10 << "";
        const QString lines = QStringLiteral("line\n").repeated(40);
        QTest::newRow("scrolled body")
            << false << lines + "a www.b.de" << int(lines.size()) + 9 << "www.b.de";
        const QString wide = QString(300, 'x') + QStringLiteral(" www.b.de");
        QTest::newRow("scrolled title") << true << wide << int(wide.size()) - 2 << "www.b.de";
    }
    void leftPressOnALink() {
        QFETCH(bool, singleLine);
        QFETCH(QString, text);
        QFETCH(int, at);
        LinkTextEdit edit(singleLine);
        show(edit, text);
        edit.moveCursor(QTextCursor::End); // scrolls the long rows
        QSignalSpy clicks(&edit, &LinkTextEdit::linkClicked);
        const QPoint point = at >= 0 ? charCentre(edit, at) : afterLineEnd(edit, -1 - at);
        QTest::mousePress(edit.viewport(), Qt::LeftButton, {}, point);
        QTest::mouseRelease(edit.viewport(), Qt::LeftButton, {}, point);
        QFETCH(QString, expected);
        QCOMPARE(clicks.size(), expected.isEmpty() ? 0 : 1);
        if (!expected.isEmpty())
            QCOMPARE(clicks.first().first().toString(), expected);
        // The press is otherwise an ordinary one: the caret lands where the mouse was pressed.
        QCOMPARE(edit.textCursor().position(), edit.cursorForPosition(point).position());
    }

    // A short link that ends the first visual line, a word too wide to join it, then a link broken
    // over several visual lines.
    void pressesOnWrappedLines() {
        LinkTextEdit edit(false);
        show(edit, QString(), 300);
        const QString first = QStringLiteral("http://a.org/pp");
        const QFontMetrics metrics(edit.font());
        const int room = edit.viewport()->width() - metrics.horizontalAdvance(first + ' ');
        const QString word(room / metrics.horizontalAdvance('z') + 2, 'z');
        const QString second = "ftp://b.org/" + QString(150, 'q');
        edit.setText(first + ' ' + word + ' ' + second);
        const QTextLayout* layout = edit.document()->begin().layout();
        QCOMPARE(layout->lineAt(0).textLength(), first.size() + 1);
        const int secondStart = int(first.size() + word.size() + 2);
        const QTextLine starts = layout->lineForTextPosition(secondStart);
        const QTextLine broken = layout->lineAt(starts.lineNumber() + 1);
        QVERIFY(broken.textStart() + 5 < secondStart + second.size());
        // The right part of the last character before a wrap, where the caret position is ambiguous.
        QTextCursor wrap(edit.document());
        wrap.setPosition(starts.textStart() + starts.textLength() - 1);
        const QRect wrapCaret = edit.cursorRect(wrap);
        const int wrapX = wrapCaret.x() + metrics.horizontalAdvance(edit.text().at(wrap.position())) * 3 / 4;

        QSignalSpy clicks(&edit, &LinkTextEdit::linkClicked);
        const int lineEndY = charCentre(edit, 0).y();
        for (QPoint p :
             {QPoint(edit.viewport()->width() - 4, lineEndY), charCentre(edit, int(first.size()) + 2)})
            QTest::mousePress(edit.viewport(), Qt::LeftButton, {}, p);
        QCOMPARE(clicks.size(), 0);
        for (QPoint p : {charCentre(edit, int(first.size()) - 1), charCentre(edit, broken.textStart() + 5),
                         QPoint(wrapX, wrapCaret.center().y())})
            QTest::mousePress(edit.viewport(), Qt::LeftButton, {}, p);
        QCOMPARE(clicks.size(), 3);
        QCOMPARE(clicks.at(0).first().toString(), first);
        QCOMPARE(clicks.at(1).first().toString(), second);
        QCOMPARE(clicks.at(2).first().toString(), second);
    }

    void otherButtonsMovesAndHover() {
        LinkTextEdit edit(false);
        show(edit, QStringLiteral("x www.a.de y"));
        QSignalSpy clicks(&edit, &LinkTextEdit::linkClicked);
        const auto move = [&](int position, Qt::MouseButtons buttons) {
            QMouseEvent e(QEvent::MouseMove, charCentre(edit, position),
                          edit.viewport()->mapToGlobal(QPoint()), Qt::NoButton, buttons, {});
            QApplication::sendEvent(edit.viewport(), &e);
            return edit.viewport()->cursor().shape();
        };
        QCOMPARE(move(3, Qt::NoButton), Qt::PointingHandCursor);
        QCOMPARE(move(11, Qt::NoButton), Qt::IBeamCursor);
        QCOMPARE(move(9, Qt::NoButton), Qt::PointingHandCursor);
        QCOMPARE(move(9, Qt::LeftButton), Qt::IBeamCursor); // dragging a selection
        for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("MousePress.* not accepted"));
            QTest::mouseClick(edit.viewport(), button, {}, charCentre(edit, 5));
        }
        QTest::mouseRelease(edit.viewport(), Qt::LeftButton, {}, charCentre(edit, 5));
        QCOMPARE(clicks.size(), 0);
        QCOMPARE(edit.text(), QStringLiteral("x www.a.de y"));
    }
};

QTEST_MAIN(TestLinkTextEdit)
#include "tst_linkTextEdit.moc"
