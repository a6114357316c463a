#include "ui/TTCPSettingsDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/ChannelDefaults.h"
#include "ui/TIntegerSpin.h"
#include "ui/TSettingsDlg.h"
#include "ui/UiSupport.h"

namespace orv::ui {

TTCPSettingsDlg::TTCPSettingsDlg(DefaultsChannels& channels, QWidget* parent, OrvSetTCP::AddressLister addresses)
    : TOrvDialog("TTCPSettingsDlg", tr(TCPSettingsCaption), TCPSettingsHelpTopic, parent),
      controller_(channels, std::move(addresses)),
      port_(new TIntegerSpin(nullptr, OrvSetTCP::PortSpin())),
      addresses_(new QListWidget) {
    setModal(true);
    port_->setObjectName("PortSpin");
    port_->setValue(DefaultTCPPort);
    auto* portGrid = new QGridLayout;
    addCaptioned(portGrid, tr("Port"), port_);
    portGrid->setColumnStretch(2, 1);

    auto* group = new QGroupBox(tr("Local IP Addresses"), this);
    addresses_->setObjectName("IPListBox");
    addresses_->setFixedHeight(110);
    QPushButton* show = makeButton("ShowIPBtn", tr("Show/Refresh"));
    connect(show, &QPushButton::clicked, this, [this] {
        addresses_->clear();
        for (const std::string& a : controller_.ShowIPBtnClick()) addresses_->addItem(ToQString(a));
    });
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(addresses_);
    groupLayout->addWidget(show, 0, Qt::AlignRight);

    QHBoxLayout* row = MakeSettingsButtonRow(*this, [this] { controller_.OKBtnClick(port_->value()); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(portGrid);
    layout->addWidget(group);
    layout->addLayout(row);
}

void TTCPSettingsDlg::ShowTCPSettings() {
    port_->setValue(controller_.ShowTCPSettings());
    showCentred();
}

}  // namespace orv::ui
