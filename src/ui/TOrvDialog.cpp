#include "ui/TOrvDialog.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/THelpWindow.h"
#include "ui/UiSupport.h"

namespace orv::ui {

namespace {

DialogHooks StandardHooks(QWidget* owner) {
    DialogHooks h;
    h.warn = [owner](const QString& text) { QMessageBox::warning(owner, QObject::tr("Warning"), text); };
    h.error = [owner](const QString& text) { QMessageBox::critical(owner, QObject::tr("Error"), text); };
    h.askSave = [owner](const std::string& question) {
        switch (QMessageBox::question(owner, QObject::tr("Confirm"), ToQString(question),
                                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
            case QMessageBox::Yes: return SaveAnswer::Yes;
            case QMessageBox::No: return SaveAnswer::No;
            default: return SaveAnswer::Cancel;
        }
    };
    h.chooseSaveName = [owner](const char* filter, const char* extension,
                               const std::string& current) -> std::optional<std::string> {
        QFileDialog dialog(owner, QString(), ".", QtFileFilter(filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);   // asks before overwriting
        dialog.setDefaultSuffix(extension);
        if (!current.empty()) dialog.selectFile(ToQString(current));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return ToStd(dialog.selectedFiles().front());
    };
    h.chooseOpenName = [owner](const char* filter) -> std::optional<std::string> {
        const QString name = QFileDialog::getOpenFileName(owner, QString(), ".", QtFileFilter(filter));
        if (name.isEmpty()) return std::nullopt;
        return ToStd(name);
    };
    return h;
}

}  // namespace

QString QtFileFilter(const char* filter) {
    const QStringList parts = QString::fromUtf8(filter).split('|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        if (patterns == "*.*") patterns = "*";
        entries << parts[i] + " (" + patterns + ")";
    }
    return entries.join(";;");
}

TOrvDialog::TOrvDialog(const char* className, const QString& caption, int helpTopic, QWidget* parent)
    : QDialog(parent), helpTopic_(helpTopic), hooks_(StandardHooks(this)) {
    setObjectName(className);
    setWindowTitle(caption);
    setModal(false);
}

void TOrvDialog::showCentred() {
    if (!isVisible()) {
        adjustSize();
        if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    }
    show();
    raise();
    activateWindow();
}

THelpWindow* TOrvDialog::helpWindow() {
    if (!help_) help_ = new THelpWindow(this);   // a window of its own (Qt::Window)
    return help_;
}

QHBoxLayout* TOrvDialog::makeButtonRow(std::initializer_list<QPushButton*> extra) {
    auto* row = new QHBoxLayout;
    for (QPushButton* b : extra) row->addWidget(b);
    row->addStretch(1);
    QPushButton* close = makeButton("CancelBtn", tr("Close"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);   // Escape does the same
    row->addWidget(close);
    QPushButton* help = makeButton("BitBtn1", tr("&Help"));
    connect(help, &QPushButton::clicked, this, [this] {
        THelpWindow* w = helpWindow();
        w->showTopic(helpTopic_);
        w->show();
        w->raise();
    });
    row->addWidget(help);
    return row;
}

QGridLayout* TOrvDialog::addPageGroup(QTabWidget* pages, const QString& pageCaption, const QString& groupCaption) {
    auto* page = new QWidget(pages);
    auto* pageLayout = new QVBoxLayout(page);
    auto* group = new QGroupBox(groupCaption, page);
    auto* grid = new QGridLayout(group);
    pageLayout->addWidget(group);
    pageLayout->addStretch(1);
    pages->addTab(page, pageCaption);
    return grid;
}

void TOrvDialog::addCaptioned(QGridLayout* grid, const QString& caption, QWidget* control) {
    const int row = grid->rowCount();
    auto* label = new QLabel(caption);   // the layout gives it its parent
    label->setBuddy(control);
    grid->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignBottom);
    grid->addWidget(control, row, 1, Qt::AlignLeft);
}

QPushButton* TOrvDialog::makeButton(const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

void TOrvDialog::followWindowColours(QTabWidget* pages) {
    for (int i = 0; i < pages->count(); ++i) pages->widget(i)->setAutoFillBackground(true);
    QTabBar* tabs = pages->tabBar();
    QPalette palette = tabs->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::ButtonText));
    tabs->setPalette(palette);
}

void TOrvDialog::setPageDefaults(QTabWidget* pages, std::vector<QPushButton*> defaults) {
    auto apply = [defaults](int page) {
        for (size_t i = 0; i < defaults.size(); ++i)
            if (defaults[i]) defaults[i]->setDefault(static_cast<int>(i) == page);
    };
    connect(pages, &QTabWidget::currentChanged, this, apply);
    apply(pages->currentIndex());
}

}  // namespace orv::ui
