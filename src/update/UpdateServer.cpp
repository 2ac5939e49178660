#include "UpdateServer.h"

#include "platform/QuillError.h"
#include "platform/Registry.h"
#include "platform/Vendor.h"

namespace UpdateServer {

namespace {

QUrl withPath(const QUrl& base, const QString& path) {
    QUrl url = base;
    QString prefix = base.path(QUrl::FullyDecoded);
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    url.setPath(prefix + path, QUrl::DecodedMode);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

} // namespace

QUrl defaultBase() {
    QUrl site(WebSiteAddress);
    QUrl base;
    base.setScheme(QStringLiteral("https"));
    base.setHost(site.host());
    return base;
}

QUrl base(const RegistryHive& hive) {
    const auto key = hive.openKey(SettingsKeyPath);
    if (!key->valueExists(ValueName))
        return defaultBase();
    const QString stored = key->readString(ValueName).trimmed();
    const QUrl url(stored, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        throw QuillError(
            QStringLiteral("The update server \"%1\" is not an http or https address.").arg(stored));
    return url;
}

QUrl versionFile(const QUrl& base) {
    return withPath(base, QStringLiteral("/products/verinfo.xml"));
}

QUrl productPage(const QUrl& base) {
    return withPath(base, QStringLiteral("/products/quillnote.htm"));
}

QUrl installer(const QUrl& base, const QString& fileName) {
    return withPath(base, QStringLiteral("/downloads/") + fileName);
}

bool isPlainFileName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    return true;
}

} // namespace UpdateServer
