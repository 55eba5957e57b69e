#include "platform/AppLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <cstdio>
#include <map>
#include <string>

#include "link/Log.h"

namespace aq {

RotatingLogFile::RotatingLogFile(QString path, qint64 maxBytes)
    : _path(std::move(path)), _maxBytes(maxBytes) {}

RotatingLogFile::~RotatingLogFile() = default;

bool RotatingLogFile::openLocked() {
    if (_file && _file->isOpen()) return true;
    QDir().mkpath(QFileInfo(_path).absolutePath());
    _file = std::make_unique<QFile>(_path);
    return _file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

bool RotatingLogFile::append(const QByteArray& line) {
    std::lock_guard lock(_mutex);
    if (!openLocked()) return false;
    if (_file->size() > 0 && _file->size() + line.size() > _maxBytes) {
        _file->close();
        const QString older = _path + QStringLiteral(".1");
        QFile::remove(older);
        QFile::rename(_path, older);
        if (!openLocked()) return false;
    }
    const bool written = _file->write(line) == line.size();
    _file->flush();
    return written;
}

QString applicationLogPath(const QString& program) {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state)) {
        state = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return state + QStringLiteral("/aqlamp/") + program + QStringLiteral(".log");
}

namespace {

RotatingLogFile* g_file = nullptr;
bool g_echo = true;

// One category object per name for the whole run; the names are the
// libraries' string literals, so they outlive every category.
QLoggingCategory& categoryNamed(const char* name) {
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<QLoggingCategory>> categories;
    std::lock_guard lock(mutex);
    auto& slot = categories[name];
    if (!slot) slot = std::make_unique<QLoggingCategory>(name, QtInfoMsg);
    return *slot;
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QByteArray category = context.category ? QByteArray(context.category) : QByteArray();
    const bool ours = category.startsWith("aqlamp.");
    // Our lines reach the terminal exactly as written; Qt's own carry their
    // category so they can be told apart.
    QByteArray body = message.toUtf8();
    if (!body.endsWith('\n')) body.append('\n');
    const QByteArray terminal =
        (!ours && !category.isEmpty() && category != "default") ? category + ": " + body : body;
    if (g_echo) std::fwrite(terminal.constData(), 1, static_cast<std::size_t>(terminal.size()), stderr);
    if (g_file) {
        static const char* const kLevel[] = {"debug", "warning", "critical", "fatal", "info"};
        const int level = (type >= 0 && type <= 4) ? static_cast<int>(type) : 0;
        const QByteArray stamp =
            QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8();
        g_file->append(stamp + ' ' + (category.isEmpty() ? QByteArray("default") : category) +
                       ' ' + kLevel[level] + ": " + body);
    }
}

}  // namespace

void installApplicationLog(const QString& program, bool verbose, bool echo) {
    g_echo = echo;
    if (verbose) {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.bluetooth*.debug=true"));
    }
    static RotatingLogFile file(applicationLogPath(program), kLogFileMaxBytes);
    g_file = &file;
    qInstallMessageHandler(handleMessage);
    setCategoryLogSink([](const char* category, std::string_view entry) {
        QLoggingCategory& c = categoryNamed(category);
        if (!c.isInfoEnabled()) return;
        std::string_view line = entry;
        if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
        QMessageLogger(nullptr, 0, nullptr, c.categoryName()).info(c).noquote()
            << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    });
}

}  // namespace aq
