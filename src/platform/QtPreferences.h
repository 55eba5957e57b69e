#pragma once

#include <QString>

#include <memory>
#include <mutex>

#include "state/Preferences.h"

class QSettings;
class QVariant;

namespace aq {

// The preferences over QSettings: the user's settings of this application
// (organisation and application name of the running QCoreApplication), or an
// INI file at a given path.
class QtPreferences : public Preferences {
public:
    QtPreferences();
    explicit QtPreferences(const QString& iniPath);
    ~QtPreferences() override;

    std::optional<PreferenceValue> value(const std::string& key) const override;
    void setValue(const std::string& key, const PreferenceValue& value) override;
    // QSettings::sync(): the file is written when this returns.
    bool synchronize() override;

    // How a preference value is kept in QSettings, and read back. Texts are
    // UTF-8; types this program does not read become a null value.
    static QVariant toVariant(const PreferenceValue& value);
    static PreferenceValue fromVariant(const QVariant& variant);

private:
    // QSettings is reentrant, not thread-safe: one caller at a time.
    mutable std::mutex _mutex;
    std::unique_ptr<QSettings> _settings;
};

}  // namespace aq
