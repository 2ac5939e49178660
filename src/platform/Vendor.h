#pragma once

#include <QString>

// The vendor's web site: shown and opened by the about box, quoted in the e-mail footer.
inline const QString WebSiteAddress = QStringLiteral("https://www.tarrowin.example/");
