#include "ShellCommands.h"

#include "platform/AppPaths.h"

#include <QApplication>
#include <QFileInfo>
#include <QUrl>

bool openWebsite(IShell& shell, IPrompts& prompts, const QString& url, const std::function<void()>& beep) {
    const QUrl target(url.trimmed(), QUrl::TolerantMode);
    if (target.isValid() && !target.isEmpty() && shell.openUrl(target))
        return true;
    if (beep)
        beep();
    else
        QApplication::beep();
    prompts.plainMessage(NoProgramForAddressText);
    return false;
}

void openHelp(IShell& shell, const QString& executableFolder) {
    const QString path = AppPaths::withTrailingSlash(executableFolder) + HelpFileName;
    if (!QFileInfo(path).isFile())
        return;
    shell.openUrl(QUrl::fromLocalFile(path));
}
