#pragma once

#include <QString>

// The running version string: the program's four-part version, read once when the about box is
// first created. The error log, the e-mail footer, the feedback subject and the update check quote it.
namespace RunningVersion {

// Empty until readVersion has run.
const QString& text();
// Reads the version the build stamped into the program and keeps it as text().
void readVersion();
// How often readVersion has run in this process, so tests can tell that it is read only once.
int readCount();

} // namespace RunningVersion
