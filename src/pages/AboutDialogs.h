#pragma once

class QWidget;
class QString;

namespace aq {

// The About box: version, licence, and where the settings and the log live.
void showAboutDialog(QWidget* parent);
// Shows the end of the application's log file, with a way to open the whole
// file in the desktop's text viewer.
void showLogViewer(QWidget* parent, const QString& logPath);

}  // namespace aq
