#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// JPEG pictures decoded with libjpeg. A damaged, cut-off or foreign file gives a null image and the
// library's reason instead of ending the program, which is what libjpeg's own error handler does.
// A picture that decodes only with warnings (cut off, corrupt data) counts as damaged: shown, its
// missing part would be a grey band.
namespace JpegImage {

struct Result {
    QImage image;  // RGB888 or Grayscale8; null when decoding failed
    QString error; // why it failed; empty on success
};

Result decode(const QByteArray& data);
Result decodeFile(const QString& path);

} // namespace JpegImage
