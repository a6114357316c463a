#include "ui/TCommDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/TSettingsDlg.h"
#include "ui/TTCPSettingsDlg.h"
#include "ui/UiSupport.h"

namespace orv::ui {

namespace {

constexpr const char* SerialAdvice = "To change settings, set mode to 'No Connection,' then press 'Appy.'";
constexpr const char* ServerAdvice = "To change settings, set mode to 'Off,' then press 'Appy.'";

void Check(QButtonGroup* radio, int item) {
    if (QAbstractButton* b = radio->button(item)) b->setChecked(true);
}

}  // namespace

TCommDlg::TCommDlg(DefaultsChannels& channels, StatusLog& log, QWidget* parent, OrvComSet::DeviceLister devices,
                   OrvSetTCP::AddressLister addresses)
    : TOrvDialog("TCommDlg", tr(CommCaption), CommHelpTopic, parent),
      controller_(channels, log),
      pages_(new QTabWidget(this)),
      excomSerial_(makeButton("ExComSerialBtn", tr("Serial Settings"))),
      mncpSerial_(makeButton("MNCPSerialBtn", tr("Serial Settings"))),
      tcpSettings_(makeButton("TCPIPBtn", tr("TCP/IP Settings"))),
      logComm_(new QCheckBox(tr(LogCommCaption))),
      serial_(new TSettingsDlg(channels, this, std::move(devices))),
      tcp_(new TTCPSettingsDlg(channels, this, std::move(addresses))) {
    setModal(true);
    pages_->setObjectName("PageControl1");
    pages_->setUsesScrollButtons(false);   // the four tabs side by side, none cut off
    message_ = [this](const CommMessage& m) {
        if (m.error) QMessageBox::critical(this, windowTitle(), ToQString(m.text));
        else QMessageBox::information(this, windowTitle(), ToQString(m.text));
    };

    QPushButton* applyExCom = makeButton("ApplyExComBtn", tr("Apply"));
    QPushButton* applyMNCP = makeButton("ApplyMNCPBtn", tr("Apply"));
    QPushButton* applyTCP = makeButton("ApplyTCPBtn", tr("Apply"));
    excomRadio_ = addModePage(tr("ExCom"), tr("Excom Mode"), "ExComModeRadio", tr("Serial Port"), excomSerial_,
                              applyExCom, tr(SerialAdvice));
    mncpRadio_ = addModePage(tr("MNCP"), tr("Communication Mode"), "MNCPModeRadio", tr("Serial Port"), mncpSerial_,
                             applyMNCP, tr(SerialAdvice));
    tcpRadio_ = addModePage(tr("TCP/IP"), tr("TCP/IP Connection"), "TCPIPModeRadio", tr("Active"), tcpSettings_,
                            applyTCP, tr(ServerAdvice));

    auto* general = new QWidget(pages_);
    auto* generalLayout = new QVBoxLayout(general);
    logComm_->setObjectName("LogCommChk");
    generalLayout->addWidget(logComm_);
    generalLayout->addStretch(1);
    pages_->addTab(general, tr("General Options"));

    connect(excomRadio_, &QButtonGroup::idClicked, this, [this](int item) { controller_.ExComModeRadioClick(item); });
    connect(mncpRadio_, &QButtonGroup::idClicked, this, [this](int item) { controller_.MNCPModeRadioClick(item); });
    connect(tcpRadio_, &QButtonGroup::idClicked, this, [this](int item) { controller_.TCPIPModeRadioClick(item); });
    connect(applyExCom, &QPushButton::clicked, this, [this] { report(controller_.ApplyExComBtnClick()); });
    connect(applyMNCP, &QPushButton::clicked, this, [this] { report(controller_.ApplyMNCPBtnClick()); });
    connect(applyTCP, &QPushButton::clicked, this, [this] { report(controller_.ApplyTCPBtnClick()); });
    connect(excomSerial_, &QPushButton::clicked, this, [this] { serial_->ShowSerialSettings(SerialChannel::ExCom); });
    connect(mncpSerial_, &QPushButton::clicked, this, [this] { serial_->ShowSerialSettings(SerialChannel::MNCP); });
    connect(tcpSettings_, &QPushButton::clicked, this, [this] { tcp_->ShowTCPSettings(); });
    connect(logComm_, &QCheckBox::toggled, this, [this](bool on) { controller_.LogCommChkClick(on); });

    pages_->setCurrentIndex(ExComPage);
    followWindowColours(pages_);
    setPageDefaults(pages_, {applyExCom, applyMNCP, applyTCP, nullptr});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addLayout(makeButtonRow({}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    showView();
}

QButtonGroup* TCommDlg::addModePage(const QString& page, const QString& radioName, const char* radioObject,
                                    const QString& connected, QPushButton* settings, QPushButton* apply,
                                    const QString& advice) {
    auto* widget = new QWidget(pages_);
    auto* group = new QGroupBox(radioName, widget);
    group->setObjectName(radioObject);
    auto* radio = new QButtonGroup(group);
    auto* radioLayout = new QVBoxLayout(group);
    const QString items[] = {tr("No Connection"), connected};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(items[i], group);
        radio->addButton(b, i);
        radioLayout->addWidget(b);
    }
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(settings);
    buttons->addWidget(apply);
    buttons->addStretch(1);
    auto* label = new QLabel(advice, widget);
    label->setWordWrap(true);
    auto* grid = new QGridLayout(widget);
    grid->addWidget(group, 0, 0);
    grid->addLayout(buttons, 0, 1);
    grid->addWidget(label, 1, 0, 1, 2);
    grid->setRowStretch(2, 1);
    pages_->addTab(widget, page);
    return radio;
}

void TCommDlg::showView() {
    const CommDlgView& v = controller_.view();
    Check(excomRadio_, v.ExComModeRadio);
    Check(mncpRadio_, v.MNCPModeRadio);
    Check(tcpRadio_, v.TCPIPModeRadio);
    excomSerial_->setEnabled(v.ExComSerialBtn);
    mncpSerial_->setEnabled(v.MNCPSerialBtn);
    tcpSettings_->setEnabled(v.TCPIPBtn);
    const QSignalBlocker quiet(logComm_);
    logComm_->setChecked(v.LogCommChk);
}

void TCommDlg::ShowCommDialog() {
    controller_.ShowCommDialog();
    showView();
    showCentred();
}

void TCommDlg::report(const std::optional<CommMessage>& message) {
    showView();
    if (message && message_) message_(*message);
}

}  // namespace orv::ui
