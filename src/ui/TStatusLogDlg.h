#pragma once
// The "Status/Error Log" window: the last 100 messages of the command
// channels and the KAV link, newest at the foot. The display refresh hands it
// the lines it takes from the status log on each tick; the window may stay
// open while they arrive.

#include <QDialog>
#include <QPlainTextEdit>
#include <string>
#include <vector>

namespace orv {
class StatusLog;
}

namespace orv::ui {

inline constexpr const char* StatusLogCaption = "Status/Error Log";
inline constexpr const char* StatusLogLimitLabel = "Only Last 100 Items Displayed";
inline constexpr int StatusLogHelpTopic = 8;

class TStatusLogDlg : public QDialog {
    Q_OBJECT
public:
    explicit TStatusLogDlg(QWidget* parent = nullptr);

    // Replaces the text with the log's buffer (when the window is made after messages came).
    void showLog(const StatusLog& log);
    // Appends the lines flushed from the log on one display tick; the oldest
    // lines go once there are more than 100.
    void appendLines(const std::vector<std::string>& lines);

    QPlainTextEdit* textBox() const { return text_; }
    std::vector<std::string> shownLines() const;

signals:
    void helpRequested(int topic);

private:
    QPlainTextEdit* text_;
};

}  // namespace orv::ui
