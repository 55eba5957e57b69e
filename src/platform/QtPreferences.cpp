#include "platform/QtPreferences.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QSaveFile>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <cmath>

#include "link/Log.h"
#include "platform/SettingsFileCheck.h"

namespace aq {

namespace {

// Lists deeper than this are not read from JSON text either: nothing this
// program stores nests more than twice.
constexpr int kMaxListDepth = kMaxSettingsValueDepth;

PreferenceValue fromJson(const QJsonValue& value, int depth) {
    if (value.isString()) return value.toString().toStdString();
    if (value.isDouble()) {
        const double d = value.toDouble();
        // Whole numbers only; 2^63 itself is already out of range.
        if (std::trunc(d) == d && std::fabs(d) < 9.2e18) {
            return std::int64_t{static_cast<std::int64_t>(d)};
        }
        return {};
    }
    if (value.isArray() && depth < kMaxListDepth) {
        PreferenceValue::List out;
        const QJsonArray array = value.toArray();
        out.reserve(static_cast<std::size_t>(array.size()));
        for (const QJsonValue& item : array) out.push_back(fromJson(item, depth + 1));
        return out;
    }
    return {};
}

QJsonValue toJson(const PreferenceValue& value) {
    if (const std::string* text = value.text()) return QString::fromStdString(*text);
    if (const std::int64_t* number = value.number()) return static_cast<double>(*number);
    if (const PreferenceValue::List* list = value.list()) {
        QJsonArray out;
        for (const PreferenceValue& item : *list) out.append(toJson(item));
        return out;
    }
    return QJsonValue::Null;
}

// Settings that read as empty and cannot be written: used for a file that
// holds values QSettings must not decode and that could not be cleaned.
QSettings::Format unusableFormat() {
    static const QSettings::Format format = QSettings::registerFormat(
        QStringLiteral("unusable"), [](QIODevice&, QSettings::SettingsMap&) { return true; },
        [](QIODevice&, const QSettings::SettingsMap&) { return false; });
    return format;
}

}  // namespace

QtPreferences::QtPreferences() : _settings(std::make_unique<QSettings>()) {
    // Only this application's own file: the organisation-wide and system
    // files are not ours to read lamp names from.
    _settings->setFallbacksEnabled(false);
    guardFile();
}

QtPreferences::QtPreferences(const QString& iniPath)
    : _settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {
    guardFile();
}

QtPreferences::~QtPreferences() = default;

void QtPreferences::guardFile() {
    // QSettings has only split the file into sections so far; nothing is
    // decoded before the first value is asked for.
    const QString path = _settings->fileName();
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return;
    const QByteArray original = file.readAll();
    file.close();
    QByteArray cleaned = original;
    const QStringList dropped = dropUnsafeSettings(cleaned);
    if (dropped.isEmpty()) return;
    for (const QString& key : dropped) {
        _unreadable.insert(key.toStdString());
        logLine(format("preferences: stored value of %s is damaged and was dropped",
                       key.toUtf8().constData()));
    }
    // The damaged file is kept beside the settings for whoever wants to look.
    const QString kept = path + QStringLiteral(".damaged");
    QFile::remove(kept);
    QFile::copy(path, kept);
    QSaveFile save(path);
    if (save.open(QIODevice::WriteOnly) && save.write(cleaned) == cleaned.size() && save.commit()) {
        // The file changed size: QSettings reads it again.
        _settings->sync();
        return;
    }
    logLine(format("preferences: %s could not be cleaned, settings are not used this run",
                   path.toUtf8().constData()));
    _settings = std::make_unique<QSettings>(path, unusableFormat());
}

QVariant QtPreferences::toVariant(const PreferenceValue& value) {
    if (const std::string* text = value.text()) return QString::fromStdString(*text);
    if (const std::int64_t* number = value.number()) return QVariant::fromValue(qint64{*number});
    if (value.list()) {
        // JSON text: read back without recursion beyond Qt's JSON nesting
        // limit, where a stored variant list would be decoded recursively.
        return QString::fromUtf8(
            QJsonDocument(toJson(value).toArray()).toJson(QJsonDocument::Compact));
    }
    return {};
}

PreferenceValue QtPreferences::fromVariant(const QVariant& variant) {
    return fromVariant(variant, 0);
}

PreferenceValue QtPreferences::fromVariant(const QVariant& variant, int depth) {
    switch (variant.metaType().id()) {
        case QMetaType::QString: {
            const QString text = variant.toString();
            if (!text.startsWith(QLatin1Char('['))) return text.toStdString();
            // A list kept as JSON text; one that does not parse is damaged.
            QJsonParseError error{};
            const QJsonDocument json = QJsonDocument::fromJson(text.toUtf8(), &error);
            if (error.error != QJsonParseError::NoError || !json.isArray()) return {};
            return fromJson(json.array(), depth);
        }
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
            // The form earlier versions stored lists in.
            if (depth >= kMaxListDepth) return {};
            PreferenceValue::List out;
            for (const QVariant& item : variant.toList())
                out.push_back(fromVariant(item, depth + 1));
            return out;
        }
        default:
            return {};
    }
}

std::optional<PreferenceValue> QtPreferences::value(const std::string& key) const {
    std::lock_guard lock(_mutex);
    // A value dropped as damaged is there, but unusable, until it is set anew.
    if (_unreadable.count(key)) return PreferenceValue();
    const QString k = QString::fromStdString(key);
    if (!_settings->contains(k)) return std::nullopt;
    return fromVariant(_settings->value(k));
}

void QtPreferences::setValue(const std::string& key, const PreferenceValue& value) {
    std::lock_guard lock(_mutex);
    _unreadable.erase(key);
    _settings->setValue(QString::fromStdString(key), toVariant(value));
}

bool QtPreferences::synchronize() {
    std::lock_guard lock(_mutex);
    _settings->sync();
    return _settings->status() == QSettings::NoError;
}

}  // namespace aq
