#include "ui/TForm1.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/ColourSchemeApplier.h"
#include "ui/TAboutDlg.h"
#include "ui/THelpWindow.h"
#include "ui/TOnOffBox.h"
#include "ui/TStatusLogDlg.h"
#include "ui/UiSupport.h"

namespace orv::ui {

namespace {

using DC = DisplayControls;

// The widest texts of the panels: a position, a rate, a status word; the Julian Date.
constexpr const char* PositionWidth = "-00 00 00.0";
constexpr const char* RateWidth = "-0000.000";
constexpr const char* StatusWidth = "TRAILING";
constexpr const char* JulianWidth = "2400000.000000";
constexpr double DisplayPointSize = 8.0;

QLabel* Caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return label;
}

QLabel* ColumnHead(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return label;
}

QGridLayout* Grid(QWidget* parent) {
    auto* grid = new QGridLayout(parent);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    return grid;
}

// A caption with its on/off box beside it, as one cell.
QWidget* CaptionWith(const QString& text, QWidget* box, QWidget* parent) {
    auto* cell = new QWidget(parent);
    cell->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(cell);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(new QLabel(text, cell));
    row->addWidget(box);
    row->addStretch();
    return cell;
}

}  // namespace

TForm1::TForm1(OrvMainForm& form, QWidget* parent)
    : QMainWindow(parent),
      form_(form),
      statusLog_(new TStatusLogDlg(this)),
      about_(new TAboutDlg(this)),
      help_(new THelpWindow(this)) {
    setObjectName("TForm1");
    setWindowTitle(MainCaption);
    // The display packs 60 fields into the designed 567 x 579: a size smaller than the desktop's.
    QFont compact = font();
    compact.setPointSizeF(DisplayPointSize);
    setFont(compact);
    ask_ = [this](const std::string& question) {
        return QMessageBox::question(this, windowTitle(), ToQString(question), QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };

    buildMenus();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(buildDisplay(), 1);
    layout->addWidget(buildButtons());
    setCentralWidget(central);

    connect(statusLog_, &TStatusLogDlg::helpRequested, help_, [this](int topic) {
        help_->showTopic(topic);
        help_->show();
        help_->raise();
    });
    followColourScheme(*statusLog_);
    followColourScheme(*about_);

    // The designed size, centred on the desktop.
    resize(MainDesignedWidth, MainDesignedHeight);
    if (const QScreen* desktop = screen()) move(desktop->availableGeometry().center() - rect().center());
    applyColourScheme();
}

TForm1::~TForm1() = default;

void TForm1::buildMenus() {
    for (const MainMenu& menu : MainMenus()) {
        QMenu* bar = menuBar()->addMenu(menu.caption);
        std::map<std::string, QMenu*> submenus;
        for (const MainMenuItem& item : menu.items) {
            QMenu* into = bar;
            if (*item.submenu) {
                QMenu*& sub = submenus[item.submenu];
                if (!sub) sub = bar->addMenu(item.submenu);
                into = sub;
            }
            QAction* action = into->addAction(item.caption);
            action->setObjectName(item.name);
            action->setCheckable(item.checkable);
            action->setEnabled(false);
            menuItems_[item.name] = action;
        }
    }

    auto serve = [this](const char* name, std::function<void()> run) {
        QAction* action = menuItems_.at(name);
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, std::move(run));
    };
    serve(ExitMnu, [this] { close(); });
    serve(ErrorLogMnu, [this] {
        statusLog_->show();
        statusLog_->raise();
    });
    serve(NightColorsMnu, [this] { setNightColors(!form_.nightColors()); });
    auto showHelp = [this](void (THelpWindow::*page)()) {
        (help_->*page)();
        help_->show();
        help_->raise();
    };
    serve(ContentsMnu, [showHelp] { showHelp(&THelpWindow::showContents); });
    serve(SearchHelpMnu, [this] {
        help_->search({});
        help_->show();
        help_->raise();
    });
    serve(HowToUseHelpMnu, [showHelp] { showHelp(&THelpWindow::showHelpOnHelp); });
    serve(AboutMnu, [this] { about_->show(); });  // modal, without a nested event loop

    auto defaults = [this](const char* name, void (UserDefaultsActions::*run)()) {
        connect(menuItems_.at(name), &QAction::triggered, this, [this, run] {
            if (defaults_) (defaults_->*run)();
        });
    };
    defaults(GetDefaultsMnu, &UserDefaultsActions::GetUserDefaults);
    defaults(SaveDefaultsMnu, &UserDefaultsActions::SaveUserDefaults);
    defaults(SaveSizeMnu, &UserDefaultsActions::SaveSizePosition);
    defaults(EraseSizeMnu, &UserDefaultsActions::EraseSizePosition);
    defaults(FactoryDefaultsMnu, &UserDefaultsActions::RestoreFactoryDefaults);
}

QLabel* TForm1::field(const char* name, std::string DC::*value, QWidget* parent, const char* widest) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    if (widest) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widest) + 6);
    }
    textFields_.push_back({label, value, {}});
    return label;
}

TOnOffBox* TForm1::indicator(const char* name, bool DC::*value, QWidget* parent) {
    auto* box = new TOnOffBox(parent);
    box->setObjectName(name);
    box->setUserChangeable(false);
    box->setOn(false);
    onOffFields_.push_back({box, value});
    return box;
}

QWidget* TForm1::buildDisplay() {
    auto* display = new QWidget(this);
    auto* rows = new QVBoxLayout(display);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);

    // Telescope Position: the telescope and the next object, column by column.
    auto* position = new QGroupBox("Telescope Position", display);
    QGridLayout* pg = Grid(position);
    const char* heads[] = {"HA", "RA", "Dec", "Epoch", "Airmass", "Zenith Dist"};
    for (int col = 0; col < 6; ++col) pg->addWidget(ColumnHead(heads[col], position), 0, col + 1);
    pg->addWidget(Caption(" Telescope:", position), 1, 0);
    pg->addWidget(Caption(" Next Object:", position), 2, 0);
    const std::pair<const char*, std::string DC::*> tele[] = {
        {"TeleHADis", &DC::TeleHADis},       {"TeleRADis", &DC::TeleRADis},   {"TeleDecDis", &DC::TeleDecDis},
        {"TeleEpochDis", &DC::TeleEpochDis}, {"TeleMassDis", &DC::TeleMassDis}, {"TeleZenithDis", &DC::TeleZenithDis}};
    const std::pair<const char*, std::string DC::*> next[] = {
        {"NextHADis", &DC::NextHADis},       {"NextRADis", &DC::NextRADis},   {"NextDecDis", &DC::NextDecDis},
        {"NextEpochDis", &DC::NextEpochDis}, {"NextMassDis", &DC::NextMassDis}, {"NextZenithDis", &DC::NextZenithDis}};
    for (int col = 0; col < 6; ++col) {
        pg->addWidget(field(tele[col].first, tele[col].second, position, PositionWidth), 1, col + 1);
        pg->addWidget(field(next[col].first, next[col].second, position, PositionWidth), 2, col + 1);
    }
    rows->addWidget(position);

    // Time/Date and Misc. side by side.
    auto* timeMisc = new QHBoxLayout;
    auto* time = new QGroupBox("Time/Date", display);
    QGridLayout* tg = Grid(time);
    const std::pair<const char*, std::pair<const char*, std::string DC::*>> times[] = {
        {" UT Date:", {"UTDateDis", &DC::UTDateDis}},
        {" UT:", {"UTimeDis", &DC::UTimeDis}},
        {" ST:", {"STimeDis", &DC::STimeDis}},
        {" Julian:", {"JulianDis", &DC::JulianDis}}};
    int row = 0;
    for (const auto& [caption, control] : times) {
        tg->addWidget(Caption(caption, time), row, 0);
        QLabel* value = field(control.first, control.second, time, nullptr);
        value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(JulianWidth) + 8);
        tg->addWidget(value, row++, 1);
    }
    timeMisc->addWidget(time, 1);

    auto* misc = new QGroupBox("Misc.", display);
    QGridLayout* mg = Grid(misc);
    const std::pair<const char*, std::pair<const char*, std::string DC::*>> miscs[] = {
        {" Dome Azimuth:", {"DomeAzmDis", &DC::DomeAzmDis}},
        {" Telescope Azimuth:", {"TeleAzmDis", &DC::TeleAzmDis}},
        {" Analog Focus:", {"FocusDis", &DC::FocusDis}},
        {" Focus:", {"EFocusDis", &DC::EFocusDis}}};
    row = 0;
    for (const auto& [caption, control] : miscs) {
        QLabel* head = Caption(caption, misc);
        QLabel* value = field(control.first, control.second, misc, nullptr);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        mg->addWidget(head, row, 0);
        mg->addWidget(value, row++, 1);
        // The second focus reading has no source on this telescope: kept, but hidden.
        if (control.second == &DC::EFocusDis) {
            head->hide();
            value->hide();
        }
    }
    timeMisc->addWidget(misc, 1);
    rows->addLayout(timeMisc);

    // Rates on the left; Operating Mode and Status on the right.
    auto* ratesModes = new QHBoxLayout;
    auto* rates = new QGroupBox("Rates", display);
    QGridLayout* rg = Grid(rates);
    rg->addWidget(ColumnHead("RA", rates), 0, 1);
    rg->addWidget(ColumnHead("Dec", rates), 0, 2);
    rg->addWidget(Caption(" Track:", rates), 1, 0);
    rg->addWidget(field("TrackRADis", &DC::TrackRADis, rates, RateWidth), 1, 1);
    rg->addWidget(field("TrackDecDis", &DC::TrackDecDis, rates, RateWidth), 1, 2);
    rg->addWidget(Caption(" Guide:", rates), 2, 0);
    rg->addWidget(field("GuideRADis", &DC::GuideRADis, rates, RateWidth), 2, 1);
    rg->addWidget(Caption(" Set:", rates), 3, 0);
    rg->addWidget(field("SetRADis", &DC::SetRADis, rates, RateWidth), 3, 1);
    rg->addWidget(CaptionWith(" Cor:", indicator("RateCorOnOff", &DC::RateCorOnOff, rates), rates), 4, 0);
    rg->addWidget(field("CorRADis", &DC::CorRADis, rates, RateWidth), 4, 1);
    rg->addWidget(field("CorDecDis", &DC::CorDecDis, rates, RateWidth), 4, 2);
    rg->addWidget(ColumnHead("Rate", rates), 5, 1);
    rg->addWidget(ColumnHead("Length", rates), 5, 2);
    rg->addWidget(ColumnHead("P.A.", rates), 5, 3);
    rg->addWidget(Caption(" Trail:", rates), 6, 0);
    rg->addWidget(field("TrailRateDis", &DC::TrailRateDis, rates, RateWidth), 6, 1);
    rg->addWidget(field("TrailLenDis", &DC::TrailLenDis, rates, RateWidth), 6, 2);
    rg->addWidget(field("TrailPADis", &DC::TrailPADis, rates, RateWidth), 6, 3);
    rg->addWidget(CaptionWith(" Use Cosine of Dec:", indicator("CosDecOnOff", &DC::CosDecOnOff, rates), rates), 7, 0,
                  1, 3);
    ratesModes->addWidget(rates, 3);

    auto* right = new QVBoxLayout;
    auto* mode = new QGroupBox("Operating Mode", display);
    auto* modeRows = new QVBoxLayout(mode);
    modeRows->setContentsMargins(6, 2, 6, 4);
    modeRows->setSpacing(2);
    for (const auto& [name, value] : std::initializer_list<std::pair<const char*, std::string DC::*>>{
             {"ModeDis", &DC::ModeDis},
             {"Limit1Dis", &DC::Limit1Dis},
             {"Limit2Dis", &DC::Limit2Dis},
             {"TargetDis", &DC::TargetDis}})
        modeRows->addWidget(field(name, value, mode, StatusWidth));
    right->addWidget(mode);

    auto* status = new QGroupBox("Status", display);
    QGridLayout* sg = Grid(status);
    sg->addWidget(CaptionWith(" Dome:", indicator("DomeOnOff", &DC::DomeOnOff, status), status), 0, 0);
    sg->addWidget(CaptionWith(" Track:", indicator("TrackOnOff", &DC::TrackOnOff, status), status), 0, 1);
    sg->addWidget(CaptionWith(" Drives:", indicator("DrivesOnOff", &DC::DrivesOnOff, status), status), 0, 2);
    sg->addWidget(field("NSEWDis", &DC::NSEWDis, status, StatusWidth), 1, 0);
    sg->addWidget(field("SlewDis", &DC::SlewDis, status, StatusWidth), 1, 1, 1, 2);
    sg->addWidget(field("SlewingDis", &DC::SlewingDis, status, StatusWidth), 2, 0);
    sg->addWidget(field("SettingDis", &DC::SettingDis, status, StatusWidth), 2, 1);
    sg->addWidget(field("TrailingDis", &DC::TrailingDis, status, StatusWidth), 2, 2);
    sg->addWidget(CaptionWith(" Dome:", field("DomeDis", &DC::DomeDis, status, StatusWidth), status), 3, 0);
    sg->addWidget(field("StatusDis", &DC::StatusDis, status, StatusWidth), 3, 1);
    QLabel* clouds = field("CloudsDis", &DC::CloudsDis, status, nullptr);
    // Its own colours in both schemes: red on the window's background.
    QPalette cloudColours = clouds->palette();
    cloudColours.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    clouds->setPalette(cloudColours);
    QFont bold = clouds->font();
    bold.setBold(true);
    clouds->setFont(bold);
    sg->addWidget(clouds, 3, 2);
    right->addWidget(status);
    ratesModes->addLayout(right, 4);
    rows->addLayout(ratesModes);

    // Communication and the activity messages.
    auto* commActivity = new QHBoxLayout;
    auto* comm = new QGroupBox("Communication", display);
    QGridLayout* cg = Grid(comm);
    const std::pair<const char*, std::pair<const char*, std::string DC::*>> channels[] = {
        {" ExCom:", {"ExComModeDis", &DC::ExComModeDis}},
        {" MNCP:", {"MNCPModeDis", &DC::MNCPModeDis}},
        {" TCP/IP:", {"TCPModeDis", &DC::TCPModeDis}}};
    row = 0;
    for (const auto& [caption, control] : channels) {
        cg->addWidget(Caption(caption, comm), row, 0);
        cg->addWidget(field(control.first, control.second, comm, StatusWidth), row++, 1);
    }
    commActivity->addWidget(comm, 1);

    auto* activity = new QGroupBox("Activity message", display);
    auto* activityRows = new QVBoxLayout(activity);
    activityRows->setContentsMargins(6, 2, 6, 4);
    activityRows->setSpacing(0);
    for (const auto& [name, value] : std::initializer_list<std::pair<const char*, std::string DC::*>>{
             {"MyStringDis", &DC::MyStringDis},
             {"DomeStringDis", &DC::DomeStringDis},
             {"CommandNoStringDis", &DC::CommandNoStringDis}}) {
        QLabel* line = field(name, value, activity, nullptr);
        line->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        activityRows->addWidget(line);
    }
    commActivity->addWidget(activity, 1);
    rows->addLayout(commActivity);
    return display;
}

QWidget* TForm1::buildButtons() {
    auto* panel = new QWidget(this);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 2, 0, 0);
    auto add = [&](const char* name, const char* caption, std::function<void()> click) {
        auto* button = new QPushButton(caption, panel);
        button->setObjectName(name);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, std::move(click));
        row->addWidget(button);
    };
    add("SlewBtn", SlewBtnCaption, [this] { form_.SlewBtnClick(); });
    add("StopBtn", StopBtnCaption, [this] { form_.StopBtnClick(); });
    add("TrailBtn", TrailBtnCaption, [this] { form_.TrailBtnClick(); });
    return panel;
}

void TForm1::showControls(const DisplayControls& controls) {
    for (TextField& f : textFields_) {
        const std::string& text = controls.*(f.value);
        if (text == f.shown) continue;  // unchanged fields are not redrawn
        f.shown = text;
        f.label->setText(ToQString(text));
    }
    for (const OnOffField& f : onOffFields_) f.box->setOn(controls.*(f.value));
}

bool TForm1::attachDialog(const std::string& menuItemName, std::function<void()> open) {
    QAction* action = menuItem(menuItemName);
    if (!action) return false;
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, [open = std::move(open)] { open(); });
    return true;
}

void TForm1::followColourScheme(QWidget& window) {
    schemed_.push_back(&window);
    ApplyColourScheme(window, form_.nightColors());
}

void TForm1::setUserDefaults(UserDefaultsActions* defaults) {
    defaults_ = defaults;
    enableDefaultsMenu(defaults != nullptr);
}

void TForm1::enableDefaultsMenu(bool enabled) {
    for (const char* name : {GetDefaultsMnu, SaveDefaultsMnu, SaveSizeMnu, EraseSizeMnu, FactoryDefaultsMnu})
        menuItems_.at(name)->setEnabled(enabled);
}

void TForm1::setNightColors(bool night) {
    form_.setNightColors(night);
    menuItems_.at(NightColorsMnu)->setChecked(night);
    applyColourScheme();
}

void TForm1::applyColourScheme() {
    const bool night = form_.nightColors();
    ApplyColourScheme(*this, night);
    // The menus keep the desktop's colours in both schemes.
    menuBar()->setPalette(style()->standardPalette());
    for (QWidget* window : schemed_) ApplyColourScheme(*window, night);
}

QAction* TForm1::menuItem(const std::string& name) const {
    const auto it = menuItems_.find(name);
    return it == menuItems_.end() ? nullptr : it->second;
}

QPushButton* TForm1::button(const char* name) const { return findChild<QPushButton*>(name); }

void TForm1::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    event->ignore();
    // Once confirmed, the close sequence runs on the event loop, not inside this handler.
    if (closing_ || !form_.FormCloseQuery(ask_)) return;
    closing_ = true;
    if (onCloseConfirmed_) QTimer::singleShot(0, this, onCloseConfirmed_);
}

void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && form_.FormActivate() && defaults_)
        defaults_->FormActivated();
    QMainWindow::changeEvent(event);
}

}  // namespace orv::ui
