#include "JpegImage.h"

#include <QFile>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first

#include <jpeglib.h>

namespace {

// Far beyond any picture the program shows; keeps a hostile file from claiming gigabytes.
constexpr qint64 MaxFileSize = 64 * 1024 * 1024;
constexpr unsigned long long MaxPixels = 64ULL * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr pub; // first, so that libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void failWithMessage(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void errorExit(j_common_ptr cinfo) {
    failWithMessage(cinfo);
}

// Level -1 is a warning; the others are trace messages, which are not wanted.
void emitMessage(j_common_ptr cinfo, int level) {
    if (level < 0)
        failWithMessage(cinfo);
}

void outputMessage(j_common_ptr) {}

// libjpeg reports failures by longjmp back to the setjmp below. These two steps hold only trivially
// destructible locals, so a jump out of them skips no destructor.
bool readHeader(jpeg_decompress_struct* cinfo, ErrorManager* err, const unsigned char* data,
                unsigned long size) {
    if (setjmp(err->jump))
        return false;
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, data, size);
    jpeg_read_header(cinfo, TRUE);
    cinfo->out_color_space = cinfo->jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_calc_output_dimensions(cinfo);
    return true;
}

bool readPixels(jpeg_decompress_struct* cinfo, ErrorManager* err, uchar* bits, qsizetype bytesPerLine) {
    if (setjmp(err->jump))
        return false;
    jpeg_start_decompress(cinfo);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = bits + qsizetype(cinfo->output_scanline) * bytesPerLine;
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

JpegImage::Result failure(const QString& error) {
    return {QImage(), error};
}

} // namespace

JpegImage::Result JpegImage::decode(const QByteArray& data) {
    if (data.isEmpty())
        return failure(QStringLiteral("The picture file is empty."));

    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;

    // Frees libjpeg's memory on every way out; safe also when creation itself failed.
    struct Destroy {
        jpeg_decompress_struct* cinfo;
        ~Destroy() { jpeg_destroy_decompress(cinfo); }
    } destroy{&cinfo};

    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    if (!readHeader(&cinfo, &err, bytes, static_cast<unsigned long>(data.size())))
        return failure(QString::fromLocal8Bit(err.message));

    const unsigned long long pixels =
        static_cast<unsigned long long>(cinfo.output_width) * cinfo.output_height;
    if (pixels == 0 || pixels > MaxPixels)
        return failure(QStringLiteral("The picture is too large (%1 x %2 pixels).")
                           .arg(cinfo.output_width)
                           .arg(cinfo.output_height));

    const bool gray = cinfo.out_color_space == JCS_GRAYSCALE;
    QImage image(int(cinfo.output_width), int(cinfo.output_height),
                 gray ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (image.isNull())
        return failure(QStringLiteral("Not enough memory for the picture."));
    if (!readPixels(&cinfo, &err, image.bits(), image.bytesPerLine()))
        return failure(QString::fromLocal8Bit(err.message));
    return {image, QString()};
}

JpegImage::Result JpegImage::decodeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(file.errorString());
    if (file.size() > MaxFileSize)
        return failure(QStringLiteral("The picture file is too large."));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return failure(file.errorString());
    return decode(data);
}
