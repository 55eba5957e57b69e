#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <mutex>

class QFile;

namespace aq {

// A log file that never grows past a size: when the next line would take it
// over the limit, it becomes the older generation (path + ".1", replacing
// the one before) and a new file starts.
class RotatingLogFile {
public:
    RotatingLogFile(QString path, qint64 maxBytes);
    ~RotatingLogFile();
    RotatingLogFile(const RotatingLogFile&) = delete;
    RotatingLogFile& operator=(const RotatingLogFile&) = delete;

    // Thread-safe. False when the file cannot be written.
    bool append(const QByteArray& line);
    const QString& path() const { return _path; }

private:
    bool openLocked();

    QString _path;
    qint64 _maxBytes;
    std::mutex _mutex;
    std::unique_ptr<QFile> _file;
};

// Where the programs keep their log: $XDG_STATE_HOME/aqlamp (or
// ~/.local/state/aqlamp), file <program>.log.
QString applicationLogPath(const QString& program);

// The largest size of one log generation.
inline constexpr qint64 kLogFileMaxBytes = 2 * 1024 * 1024;

// Sends the diagnostic log through Qt's logging categories (aqlamp.link,
// aqlamp.ble, aqlamp.ui, ...; QT_LOGGING_RULES switches them) to standard
// error and to the rotating log file; Qt's own messages, its Bluetooth
// warnings among them, land in the same places. Verbose adds Qt Bluetooth's
// debug output. Without `echo` nothing goes to standard error (a command-line
// program keeps it for its own messages) and only the file gets the log.
void installApplicationLog(const QString& program, bool verbose, bool echo = true);

}  // namespace aq
