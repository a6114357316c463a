#pragma once
// The help window: the HTML help pages compiled into the program, shown in a
// browser with Contents, Index, Back and Forward, and a keyword search over
// every page. The main window's Help menu and each dialog's help button open it.

#include <QWidget>

#include "controllers/HelpIndex.h"

class QLineEdit;
class QListWidget;
class QTextBrowser;

namespace orv::ui {

inline constexpr const char* HelpResourceDir = ":/help";

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    void showContents();
    void showIndex();
    void showHelpOnHelp();
    // The page of a dialog's help topic (1 to 9).
    void showTopic(int topic);
    // Lists the pages holding every word of `keywords` and shows the best one;
    // with no words, shows the index and waits for a word in the search field.
    void search(const QString& keywords);

    QTextBrowser* browser() const { return browser_; }
    QListWidget* results() const { return results_; }
    // The page shown, e.g. "topic3-rates.html".
    QString currentPage() const;

private:
    void showPage(const QString& page);

    HelpIndex index_;
    QTextBrowser* browser_;
    QLineEdit* searchField_;
    QListWidget* results_;
};

}  // namespace orv::ui
