#include "AppSettings.h"

#include "store/SettingsStore.h"

void AppSettingsIO::read(const RegistryKey& key, AppSettings& settings, const QString& defaultFolder) {
    SettingsStore::readAppSettings(key, settings, defaultFolder, {});
}
