#include "ui/THelpWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/UiSupport.h"

namespace orv::ui {

THelpWindow::THelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      browser_(new QTextBrowser(this)),
      searchField_(new QLineEdit(this)),
      results_(new QListWidget(this)) {
    setObjectName("THelpWindow");
    setWindowTitle(tr("Orv Help"));

    for (const QString& name : QDir(HelpResourceDir).entryList({"*.html"}, QDir::Files)) {
        QFile file(QString(HelpResourceDir) + "/" + name);
        if (file.open(QIODevice::ReadOnly)) index_.addPage(ToStd(name), file.readAll().toStdString());
    }

    auto* bar = new QToolBar(this);
    bar->addAction(tr("Contents"), this, &THelpWindow::showContents);
    bar->addAction(tr("Index"), this, &THelpWindow::showIndex);
    bar->addAction(tr("Back"), browser_, &QTextBrowser::backward);
    bar->addAction(tr("Forward"), browser_, &QTextBrowser::forward);

    searchField_->setPlaceholderText(tr("word to find"));
    connect(searchField_, &QLineEdit::returnPressed, this, [this] { search(searchField_->text()); });
    connect(results_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { showPage(item->data(Qt::UserRole).toString()); });
    connect(results_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { showPage(item->data(Qt::UserRole).toString()); });

    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(new QLabel(tr("Search for:"), side));
    sideLayout->addWidget(searchField_);
    sideLayout->addWidget(results_, 1);

    browser_->setSearchPaths({HelpResourceDir});
    // The browser's rich text reads no linked style sheet: the pages' one is made the default.
    QFile css(QString(HelpResourceDir) + "/style.css");
    if (css.open(QIODevice::ReadOnly)) browser_->document()->setDefaultStyleSheet(QString::fromUtf8(css.readAll()));
    browser_->setOpenExternalLinks(false);

    auto* split = new QSplitter(this);
    split->addWidget(side);
    split->addWidget(browser_);
    split->setStretchFactor(1, 1);
    split->setSizes({180, 520});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(bar);
    layout->addWidget(split, 1);
    resize(720, 520);
    showContents();
}

void THelpWindow::showPage(const QString& page) {
    browser_->setSource(QUrl("qrc" + QString(HelpResourceDir) + "/" + page));
}

void THelpWindow::showContents() { showPage(HelpContentsPage); }
void THelpWindow::showIndex() { showPage(HelpIndexPage); }
void THelpWindow::showHelpOnHelp() { showPage(HelpOnHelpPage); }
void THelpWindow::showTopic(int topic) { showPage(ToQString(HelpTopicPage(topic))); }

void THelpWindow::search(const QString& keywords) {
    searchField_->setText(keywords);
    results_->clear();
    const auto hits = index_.search(ToStd(keywords));
    if (hits.empty()) {
        if (keywords.trimmed().isEmpty()) showIndex();
        else results_->addItem(tr("No page holds: %1").arg(keywords));
        searchField_->setFocus();
        return;
    }
    for (const HelpHit& hit : hits) {
        auto* item = new QListWidgetItem(ToQString(hit.title), results_);
        item->setData(Qt::UserRole, ToQString(hit.page));
    }
    results_->setCurrentRow(0);
    showPage(ToQString(hits.front().page));
}

QString THelpWindow::currentPage() const { return QFileInfo(browser_->source().path()).fileName(); }

}  // namespace orv::ui
