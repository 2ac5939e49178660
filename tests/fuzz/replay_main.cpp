// Runs a fuzz target over files instead of under libFuzzer: every file of the folders given on the
// command line (or built in), so that the seeds and every input that once failed stay tested in the
// ordinary build.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    QStringList folders;
    for (int i = 1; i < argc; ++i)
        folders.append(QString::fromLocal8Bit(argv[i]));
#ifdef QUILL_FUZZ_INPUT_DIRS // separated by '|'
    if (folders.isEmpty())
        folders = QStringLiteral(QUILL_FUZZ_INPUT_DIRS).split(QLatin1Char('|'), Qt::SkipEmptyParts);
#endif
    int replayed = 0;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        if (!dir.exists()) {
            std::fprintf(stderr, "no folder %s\n", qPrintable(folder));
            return 1;
        }
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
            if (name.startsWith(QLatin1Char('.')))
                continue;
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            std::printf("replaying %s\n", qPrintable(file.fileName()));
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                   std::size_t(bytes.size()));
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    // A target with no input at all is a mistake in the build, not a pass.
    return replayed > 0 ? 0 : 1;
}
