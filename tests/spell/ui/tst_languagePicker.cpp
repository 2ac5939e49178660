#include "platform/Registry.h"
#include "spell/engine/Languages.h"
#include "spell/engine/SpellChecker.h"
#include "spell/engine/SpellConfiguration.h"
#include "spell/ui/LanguagePicker.h"

#include "TestFolders.h"

#include <QAbstractItemView>
#include <QDir>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QtTest>

namespace {

const QString AppPathsKey =
    QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ispell.exe");
const QString SpellingKey = QStringLiteral("\\SOFTWARE\\Microsoft\\Shared Tools\\Proofing Tools\\Spelling");

void writeWithFolders(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    TestFolders::writeFile(path, bytes);
}

// A settings hive naming proofing languages (one of them by a text name) and an ispell folder with
// descriptors: German with a locale, a private dictionary without one, and a nameless section.
struct Installation {
    TestFolders folders;
    QString ispellFolder = folders.root() + QStringLiteral("ispell/");
    RegistryHive hive{folders.configFolder() + QStringLiteral("hive.ini")};

    explicit Installation(const QStringList& proofingKeys = {"1031", "Klingon", "1033"}) {
        QDir().mkpath(folders.configFolder());
        for (const QString& name : proofingKeys) {
            auto key =
                hive.openKeyForWriting(SpellingKey + QLatin1Char('\\') + name + QStringLiteral("\\Normal"));
            key->writeString(QStringLiteral("Engine"), QStringLiteral("/nowhere/libspeller.so"));
            key->close();
        }
        auto appPaths = hive.openKeyForWriting(AppPathsKey);
        appPaths->writeString(QStringLiteral("Path"), ispellFolder);
        appPaths->close();
        QDir().mkpath(ispellFolder);
    }
    void writeDescriptors() const {
        writeWithFolders(ispellFolder + QStringLiteral("german/ispell.ini"),
                         "[Deutsch]\nLangNo=1031\nCmd=ispell -a -d german\nCharset=iso-8859-1\n"
                         "Surrogate=x\nFlag=de\n"
                         "[Privat]\nCmd=ispell -a -d private\nCharset=koi8-r\n");
        writeWithFolders(ispellFolder + QStringLiteral("plain/ispell.ini"), "[]\nLangNo=none\n");
    }
};

QStringList textsOf(const QComboBox& box) {
    QStringList texts;
    for (int i = 0; i < box.count(); ++i) {
        texts << box.itemText(i);
    }
    return texts;
}

} // namespace

class TestLanguagePicker : public QObject {
    Q_OBJECT

private slots:
    void proofingEntriesComeFirstThenIspellEntries() {
        Installation installed;
        installed.writeDescriptors();
        const SpellConfiguration configuration(&installed.hive, installed.folders.exeFolder(), {});
        LanguagePicker picker(&configuration);
        // Keys in the hive's order 1031, 1033, Klingon, taken from the last; Klingon is no number.
        QCOMPARE(textsOf(picker), QStringList({"English (United States)", "German (Germany)",
                                               "German (Germany)", "Privat", "plain"}));
        QCOMPARE(picker.itemIndex(), 0);

        QCOMPARE(picker.entry(0)->language, LanguageId(1033));
        QCOMPARE(picker.entry(0)->engineType, EngineType::Library);
        QVERIFY(picker.entry(0)->cmd.isEmpty());
        const LanguageEntry* german = picker.entry(2);
        QCOMPARE(german->engineType, EngineType::Ispell);
        QCOMPARE(german->language, LanguageId(1031));
        QCOMPARE(german->cmd, QStringLiteral("ispell -a -d german"));
        QCOMPARE(german->charset, QStringLiteral("iso-8859-1"));
        QCOMPARE(german->surrogate, QStringLiteral("x"));
        QCOMPARE(german->flag, QStringLiteral("de"));
        const LanguageEntry* own = picker.entry(3);
        QCOMPARE(own->language, LanguageId(0));
        QCOMPARE(own->surrogate, QStringLiteral("-"));
        QCOMPARE(own->flag, QStringLiteral("german"));
        QCOMPARE(picker.entry(4)->language, LanguageId(0));
        QVERIFY(!picker.entry(5));
        QVERIFY(!picker.entry(-1));

        // The same configuration gives a second picker the same entries in the same order.
        LanguagePicker second(&configuration);
        QCOMPARE(textsOf(second), textsOf(picker));
    }

    // The user tells the entries apart by their text: the pipe descriptors shipped with the program
    // must not read like the library's entries for the same languages.
    void shippedDescriptorsReadUnlikeLibraryEntries() {
        Installation installed({"1031", "1033", "1036", "2057", "3082"});
        auto appPaths = installed.hive.openKeyForWriting(AppPathsKey);
        appPaths->writeString(QStringLiteral("Path"), QStringLiteral(QUILL_ISPELL_SHIPPED));
        appPaths->close();
        const SpellConfiguration configuration(&installed.hive, installed.folders.exeFolder(), {});
        LanguagePicker picker(&configuration);
        const QStringList texts = textsOf(picker);
        QCOMPARE(texts.size(), 5 + 15);
        QStringList twice;
        for (const QString& text : texts)
            if (texts.count(text) > 1 && !twice.contains(text))
                twice << text;
        QVERIFY2(twice.isEmpty(), qPrintable(twice.join(QStringLiteral(", "))));
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(picker.entry(i)->engineType, i < 5 ? EngineType::Library : EngineType::Ispell);
        QVERIFY(texts.indexOf(QStringLiteral("German (Germany)")) < 5);
        QVERIFY(texts.indexOf(QStringLiteral("German (Germany) - hunspell")) >= 5);
    }

    void nameForms_data() {
        QTest::addColumn<LanguageNameForm>("option");
        QTest::addColumn<QString>("german");
        QTest::newRow("localized") << LanguageNameForm::Localized << "German (Germany)";
        QTest::newRow("English") << LanguageNameForm::English << "German";
        QTest::newRow("native") << LanguageNameForm::Native << "Deutsch";
        QTest::newRow("abbreviated") << LanguageNameForm::Abbreviation << "DEU";
    }
    void nameForms() {
        QFETCH(LanguageNameForm, option);
        Installation installed({"1031"});
        installed.writeDescriptors();
        const SpellConfiguration configuration(&installed.hive, installed.folders.exeFolder(), {});
        LanguagePicker picker;
        picker.setLangOption(option);
        picker.setConfiguration(&configuration);
        QCOMPARE(picker.count(), 4);
        QTEST(picker.itemText(0), "german");
        QTEST(picker.itemText(1), "german");
        QCOMPARE(picker.itemText(2), QStringLiteral("Privat")); // no locale: the section's name

        SpellChecker checker;
        picker.setSpellChecker(&checker);
        QCOMPARE(checker.languageNameForm(), option);
        QCOMPARE(checker.languageText(), picker.itemText(0));
    }

    void choosingAnEntryConfiguresTheChecker() {
        Installation installed;
        installed.writeDescriptors();
        const SpellConfiguration configuration(&installed.hive, installed.folders.exeFolder(), {});
        LanguagePicker picker(&configuration);
        SpellChecker checker;
        checker.setEngineType(EngineType::Ispell);
        checker.setLanguage(4711);
        picker.setSpellChecker(&checker); // binding applies the current entry
        QCOMPARE(checker.language(), LanguageId(1033));
        QCOMPARE(checker.engineType(), EngineType::Library);
        QCOMPARE(checker.languageText(), QStringLiteral("English (United States)"));
        QVERIFY(checker.isAvailable());

        picker.setItemIndex(2);
        QCOMPARE(checker.engineType(), EngineType::Ispell);
        QCOMPARE(checker.language(), LanguageId(1031));
        QCOMPARE(checker.command(), QStringLiteral("ispell -a -d german"));
        QCOMPARE(checker.charset(), QStringLiteral("iso-8859-1"));
        QCOMPARE(checker.surrogate(), QStringLiteral("x"));
        QCOMPARE(checker.flag(), QStringLiteral("de"));
        QCOMPARE(checker.languageText(), QStringLiteral("German (Germany)"));

        // Selecting the selected entry again applies it again.
        checker.setLanguage(1049);
        picker.setItemIndex(2);
        QCOMPARE(checker.language(), LanguageId(1031));

        // The user's choice by keyboard: the private dictionary, then back to a proofing language.
        picker.show();
        picker.setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QTest::keyClick(&picker, Qt::Key_Down);
        QCOMPARE(picker.itemIndex(), 3);
        QCOMPARE(checker.language(), LanguageId(0));
        QCOMPARE(checker.languageText(), QStringLiteral("Privat"));
        QCOMPARE(checker.charset(), QStringLiteral("koi8-r"));
        QTest::keyClick(&picker, Qt::Key_Home);
        QCOMPARE(checker.engineType(), EngineType::Library);
        QCOMPARE(checker.language(), LanguageId(1033));
        QVERIFY(checker.command().isEmpty());
        QVERIFY(checker.charset().isEmpty());

        // An index outside the list selects nothing and leaves the checker as it was.
        picker.setItemIndex(99);
        QCOMPARE(picker.itemIndex(), -1);
        QCOMPARE(checker.language(), LanguageId(1033));
    }

    void anEmptyPickerSwitchesTheCheckerOff() {
        Installation installed{QStringList()}; // no proofing key, an empty ispell folder, no dictionaries
        const SpellConfiguration configuration(&installed.hive, installed.folders.exeFolder(), {});
        // Bound before and after the filling.
        SpellChecker before;
        LanguagePicker first;
        first.setSpellChecker(&before);
        QVERIFY(before.isAvailable());
        first.setConfiguration(&configuration);
        QCOMPARE(first.count(), 0);
        QVERIFY(!before.isAvailable());

        SpellChecker after;
        LanguagePicker second(&configuration);
        second.setSpellChecker(&after);
        QVERIFY(!after.isAvailable());
        second.setItemIndex(1); // nothing to select
        QCOMPARE(second.itemIndex(), -1);
    }

    void discoveredDefaultsListTheInstalledDictionaries() {
        TestFolders folders;
        const SpellConfiguration configuration(nullptr, folders.exeFolder());
        const auto installed = configuration.installedDictionaries();
        if (installed.isEmpty()) {
            QSKIP("no hunspell dictionary is installed on this machine");
        }
        LanguagePicker picker(&configuration);
        QCOMPARE(picker.count(), installed.size()); // no ispell folder beside the program here
        for (int i = 0; i < installed.size(); ++i) {
            QCOMPARE(picker.entry(i)->language, installed[i].language);
            QCOMPARE(picker.itemText(i), languageName(installed[i].language, LanguageNameForm::Localized));
        }
        // The shipped descriptors sit in bin/ispell; with them, ispell entries follow.
        writeWithFolders(folders.exeFolder() + QStringLiteral("ispell/x/ispell.ini"), "[Mine]\n");
        picker.fill();
        QCOMPARE(picker.count(), installed.size() + 1);
        QCOMPARE(picker.itemText(installed.size()), QStringLiteral("Mine"));
    }

    void entriesAreDrawnWithTheirEnginePicture() {
        Installation installed({"1033"});
        installed.writeDescriptors();
        const SpellConfiguration configuration(&installed.hive, installed.folders.exeFolder(), {});
        LanguagePicker picker(&configuration);
        picker.applyProgramLook();
        QCOMPARE(picker.size(), QSize(215, 24));
        QCOMPARE(picker.font().pixelSize(), 11);
        QCOMPARE(picker.toolTip(),
                 QStringLiteral("Specify the language to be used when checking for spelling errors."));

        for (const int row : {0, 1}) {
            QImage image(215, 18, QImage::Format_ARGB32);
            image.fill(Qt::white);
            QStyleOptionViewItem option;
            option.rect = QRect(0, 0, 215, 18);
            option.palette = picker.palette();
            option.font = picker.font();
            option.widget = picker.view();
            const QModelIndex index = picker.model()->index(row, 0);
            QCOMPARE(picker.itemDelegate()->sizeHint(option, index).height(), 18);
            {
                QPainter painter(&image);
                picker.itemDelegate()->paint(&painter, option, index);
            }
            const EngineType type = row == 0 ? EngineType::Library : EngineType::Ispell;
            const QImage bitmap = LanguagePicker::engineBitmap(type).toImage();
            QCOMPARE(bitmap.size(), QSize(16, 16));
            // The picture at 2,1, drawn over a white background.
            QImage expected(16, 16, QImage::Format_ARGB32);
            expected.fill(Qt::white);
            {
                QPainter painter(&expected);
                painter.drawImage(0, 0, bitmap);
            }
            QCOMPARE(image.copy(2, 1, 16, 16), expected);
            // The text starts behind the picture: nothing but background between.
            for (int x = 18; x < 24; ++x) {
                for (int y = 0; y < 18; ++y) {
                    QCOMPARE(image.pixelColor(x, y), QColor(Qt::white));
                }
            }
            bool textDrawn = false;
            for (int x = 24; x < 120 && !textDrawn; ++x) {
                for (int y = 2; y < 18 && !textDrawn; ++y) {
                    textDrawn = image.pixelColor(x, y) != QColor(Qt::white);
                }
            }
            QVERIFY(textDrawn);
        }
    }
};

QTEST_MAIN(TestLanguagePicker)
#include "tst_languagePicker.moc"
