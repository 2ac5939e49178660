#include "NoteExport.h"

#include "store/TextTrim.h"

#include <cmath>

namespace NoteExport {

namespace {

// Text files on this system end their lines with LF alone; editors and tools expect it.
const QString LineEnd = QStringLiteral("\n");

// Every kind of line break a text may hold (CR LF, CR, LF, the Unicode separators) as `lineEnd`.
QString withLineEnds(const QString& text, const QString& lineEnd) {
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += lineEnd;
        } else if (c == QLatin1Char('\n') || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            out += lineEnd;
        } else {
            out += c;
        }
    }
    return out;
}

bool holdsText(const QString& text) {
    return !trimmedOfBlanksAndControls(text).isEmpty();
}

class FileWriter {
public:
    void line(const QString& text = {}) { m_text += withLineEnds(text, LineEnd) + LineEnd; }
    void header(const QString& title, const QString& created, const QString& modified) {
        line(QStringLiteral("Title:\t") + title);
        line();
        line(QStringLiteral("Created:\t") + created);
        line(QStringLiteral("Modified:\t") + modified);
        line();
    }
    QString text() const { return m_text; }

private:
    QString m_text;
};

} // namespace

QString fileText(const EditorNote& editor, const std::vector<CheckedRow>& rows) {
    FileWriter out;
    bool written = false;
    if (holdsText(editor.title)) {
        out.header(editor.title, editor.created, editor.modified);
        if (holdsText(editor.body))
            out.line(editor.body);
        written = true;
    }
    for (const CheckedRow& row : rows) {
        if (row.isOpenNote)
            continue; // written from the editors, which may hold unsaved edits
        if (written) {
            out.line();
            out.line(QString(50, QLatin1Char('_')));
            out.line();
        }
        out.header(row.note->title, row.note->createdText, row.note->modifiedText);
        out.line(row.note->text);
        written = true;
    }
    return out.text();
}

QByteArray fileBytes(const EditorNote& editor, const std::vector<CheckedRow>& rows) {
    return fileText(editor, rows).toUtf8();
}

QString printText(const EditorNote& editor, const std::vector<CheckedRow>& rows) {
    const QString nl = QStringLiteral("\n");
    const QString underline = nl + QString(26, QLatin1Char('_')) + nl + nl;
    QString doc;
    int counted = 0;
    if (holdsText(editor.title) && !editor.body.isEmpty()) {
        doc = editor.title + underline + trimmedOfBlanksAndControls(editor.body) + nl;
        counted = 1;
    } else {
        doc = editor.body; // stands at the top as it is, with no title
    }
    for (const CheckedRow& row : rows) {
        if (!row.isOpenNote) {
            if (counted > 0)
                doc += nl + QString(50, QLatin1Char('_')) + nl;
            doc += nl + row.note->title + underline + row.note->text + nl;
        }
        ++counted;
    }
    return withLineEnds(doc, nl);
}

QRect pageRectangle(const PrinterPage& page, double left, double right, double top, double bottom) {
    // nearbyint rounds in the default mode: to nearest, ties to even.
    auto dots = [](int dpi, double inches) { return int(std::nearbyint(dpi * inches)); };
    const int x1 = dots(page.dpiX, left) - page.offsetX;
    const int x2 = page.width - dots(page.dpiX, right) - page.offsetX;
    const int y1 = dots(page.dpiY, top) - page.offsetY;
    const int y2 = page.height - dots(page.dpiY, bottom) - page.offsetY;
    if (x2 <= x1 || y2 <= y1)
        return QRect(0, 0, page.width, page.height);
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

} // namespace NoteExport
