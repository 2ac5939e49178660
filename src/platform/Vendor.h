#pragma once

#include <QString>

// The vendor's web site: shown and opened by the about box, quoted in the e-mail footer.
inline const QString WebSiteAddress = QStringLiteral("https://www.tarrowin.example/");

// The vendor's feedback address: the feedback command and the error reports write to it.
inline const QString FeedbackAddress = QStringLiteral("feedback@tarrowin.example");
