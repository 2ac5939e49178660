#pragma once

#include "spell/engine/SpellTypes.h"

#include <QList>
#include <QString>

// One dictionary described by a section of an ispell.ini file.
struct IspellSection {
    QString name;            // section name, or the directory's name when the section name is empty
    QString directory;       // the dictionary directory's name
    LanguageId language = 0; // "LangNo"; 0 when absent or not a number
    QString cmd;             // "Cmd", placeholder not yet expanded
    QString charset;         // "Charset"
    QString surrogate;       // "Surrogate", "-" when empty
    QString flag;            // "Flag", by default the directory's name
};

// Our own reader of ispell.ini files (not QSettings: it would split values at commas and cut them at
// semicolons). Sections and keys in file order; "key=value" lines, ';' comment lines, names compared
// without regard to case.
namespace IspellCatalog {

// Sections of one ispell.ini text, in file order. `directory` names the folder it lies in.
QList<IspellSection> parseIni(const QByteArray& text, const QString& directory);

// Every section of every "<ispellDirectory>/<subfolder>/ispell.ini", subfolders in name order.
QList<IspellSection> scan(const QString& ispellDirectory);

// "Cmd" with every "%AppDir%ispell" (any letter case) replaced by the ispell folder without its
// trailing '/'.
QString expandCommand(const QString& cmd, const QString& ispellDirectory);

} // namespace IspellCatalog
