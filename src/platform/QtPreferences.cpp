#include "platform/QtPreferences.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace aq {

QtPreferences::QtPreferences() : _settings(std::make_unique<QSettings>()) {}

QtPreferences::QtPreferences(const QString& iniPath)
    : _settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

QtPreferences::~QtPreferences() = default;

QVariant QtPreferences::toVariant(const PreferenceValue& value) {
    if (const std::string* text = value.text()) return QString::fromStdString(*text);
    if (const std::int64_t* number = value.number()) return QVariant::fromValue(qint64{*number});
    if (const PreferenceValue::List* list = value.list()) {
        // A list of lists, never a QStringList: the INI format turns a
        // one-element string list into a plain string.
        QVariantList out;
        out.reserve(static_cast<qsizetype>(list->size()));
        for (const PreferenceValue& item : *list) out.push_back(toVariant(item));
        return out;
    }
    return {};
}

PreferenceValue QtPreferences::fromVariant(const QVariant& variant) {
    switch (variant.metaType().id()) {
        case QMetaType::QString:
            return variant.toString().toStdString();
        case QMetaType::QByteArray:
            return variant.toByteArray().toStdString();
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return std::int64_t{variant.toLongLong()};
        case QMetaType::QStringList: {
            PreferenceValue::List out;
            for (const QString& s : variant.toStringList()) out.emplace_back(s.toStdString());
            return out;
        }
        case QMetaType::QVariantList: {
            PreferenceValue::List out;
            for (const QVariant& item : variant.toList()) out.push_back(fromVariant(item));
            return out;
        }
        default:
            return {};
    }
}

std::optional<PreferenceValue> QtPreferences::value(const std::string& key) const {
    std::lock_guard lock(_mutex);
    const QString k = QString::fromStdString(key);
    if (!_settings->contains(k)) return std::nullopt;
    return fromVariant(_settings->value(k));
}

void QtPreferences::setValue(const std::string& key, const PreferenceValue& value) {
    std::lock_guard lock(_mutex);
    _settings->setValue(QString::fromStdString(key), toVariant(value));
}

bool QtPreferences::synchronize() {
    std::lock_guard lock(_mutex);
    _settings->sync();
    return _settings->status() == QSettings::NoError;
}

}  // namespace aq
