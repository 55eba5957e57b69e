#pragma once

#include <QString>

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "state/Preferences.h"

class QSettings;
class QVariant;

namespace aq {

// The preferences over QSettings: the user's settings of this application
// (organisation and application name of the running QCoreApplication), or an
// INI file at a given path.
//
// The file is checked before QSettings decodes anything in it: values that
// would crash or exhaust QSettings' decoding are removed from the file (the
// damaged file is kept beside it as "<file>.damaged") and read as unusable
// (a null value) until they are set again.
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
    // UTF-8; lists are JSON text, so a text that is a JSON array reads back
    // as a list (and one that only starts with "[" as unusable); lists in
    // the variant form of earlier versions are still read; types this
    // program does not read become a null value.
    static QVariant toVariant(const PreferenceValue& value);
    static PreferenceValue fromVariant(const QVariant& variant);

private:
    static PreferenceValue fromVariant(const QVariant& variant, int depth);
    void guardFile();

    // QSettings is reentrant, not thread-safe: one caller at a time.
    mutable std::mutex _mutex;
    std::unique_ptr<QSettings> _settings;
    // Keys whose stored values were dropped as damaged.
    std::set<std::string> _unreadable;
};

}  // namespace aq
