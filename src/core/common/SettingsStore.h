#pragma once

#include <QSettings>
#include <memory>

// The per-user preferences file (organisation and application "Velmora").
// Tests redirect it with QSettings::setPath(IniFormat, UserScope, folder).
class SettingsStore {
public:
    static std::unique_ptr<QSettings> open()
    {
        return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Velmora"),
                                           QStringLiteral("Velmora"));
    }
};
