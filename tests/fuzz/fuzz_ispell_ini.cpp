// A dictionary's ispell.ini as the catalog reads it, and the command line built from each section.
#include "FuzzSupport.h"

#include "spell/engine/IspellCatalog.h"

#include <QProcess>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray text = FuzzSupport::bytesOf(data, size);
    const QString directory = QStringLiteral("english");
    const QList<IspellSection> sections = IspellCatalog::parseIni(text, directory);
    for (const IspellSection& section : sections) {
        FuzzSupport::check(!section.name.isEmpty(), "a section without a name");
        FuzzSupport::check(section.directory == directory, "a section from another folder");
        FuzzSupport::check(!section.surrogate.isEmpty(), "a section without a surrogate");
        const QString command =
            IspellCatalog::expandCommand(section.cmd, QStringLiteral("/opt/quill/ispell/"));
        QProcess::splitCommand(command);
    }
    // Sections of one name are one section; an unnamed one takes the folder's name, which a named
    // section may have too.
    const auto isFolderName = [&](const QString& name) {
        return name.compare(directory, Qt::CaseInsensitive) == 0;
    };
    for (qsizetype i = 0; i < sections.size(); ++i)
        for (qsizetype j = i + 1; j < sections.size(); ++j)
            FuzzSupport::check(sections[i].name.compare(sections[j].name, Qt::CaseInsensitive) != 0 ||
                                   isFolderName(sections[i].name),
                               "a section is listed twice");
    return 0;
}
