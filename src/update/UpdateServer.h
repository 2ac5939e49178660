#pragma once

#include <QString>
#include <QUrl>

class RegistryHive;

// Where the update check finds the vendor's server: https on the vendor's web host, unless the
// settings key holds a text value "UpdateServer" with another http or https address (a mirror, a
// test server). Its path, if any, is put before the resource paths.
namespace UpdateServer {

inline const QString ValueName = QStringLiteral("UpdateServer");

QUrl defaultBase();
// Throws QuillError when the hive cannot be read or the stored address is not an http(s) address
// with a host.
QUrl base(const RegistryHive& hive);

// base + "/products/verinfo.xml", "/products/quillnote.htm", "/downloads/" + a file name.
QUrl versionFile(const QUrl& base);
QUrl productPage(const QUrl& base);
// The file name is one path segment; it is percent-encoded as needed.
QUrl installer(const QUrl& base, const QString& fileName);

// Whether a name from the version file can be used as a file name of its own: not empty, no folder
// separators, not "." or "..", no control characters.
bool isPlainFileName(const QString& name);

} // namespace UpdateServer
