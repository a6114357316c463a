#include "ui/TSettingsDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/THelpWindow.h"
#include "ui/UiSupport.h"

namespace orv::ui {

QHBoxLayout* MakeSettingsButtonRow(TOrvDialog& dialog, std::function<void()> onOk) {
    auto* ok = new QPushButton(QObject::tr("OK"), &dialog);
    ok->setObjectName("OKBtn");
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, [&dialog, onOk = std::move(onOk)] {
        onOk();
        dialog.accept();
    });
    auto* cancel = new QPushButton(QObject::tr("Cancel"), &dialog);
    cancel->setObjectName("CancelBtn");
    cancel->setAutoDefault(false);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    auto* help = new QPushButton(QObject::tr("&Help"), &dialog);
    help->setObjectName("BitBtn1");
    help->setAutoDefault(false);
    QObject::connect(help, &QPushButton::clicked, &dialog, [&dialog] {
        THelpWindow* w = dialog.helpWindow();
        w->showTopic(dialog.helpTopic());
        w->show();
        w->raise();
    });
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    row->addWidget(help);
    return row;
}

TSettingsDlg::TSettingsDlg(DefaultsChannels& channels, QWidget* parent, OrvComSet::DeviceLister devices)
    : TOrvDialog("TSettingsDlg", tr(SerialSettingsCaption), SerialSettingsHelpTopic, parent),
      controller_(channels, std::move(devices)) {
    setModal(true);
    auto* grid = new QGridLayout;
    const std::pair<const char*, QString> named[] = {{"PortCombo", tr("Port")},
                                                     {"BaudCombo", tr("Baud Rate")},
                                                     {"ParityCombo", tr("Parity")},
                                                     {"DataBitsCombo", tr("Data Bits")},
                                                     {"StopBitsCombo", tr("Stop Bits")}};
    for (SerialList which : SerialLists) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(named[size_t(which)].first);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        combo->setMinimumContentsLength(12);
        for (const std::string& item : OrvComSet::FixedItems(which)) combo->addItem(ToQString(item));
        connect(combo, &QComboBox::currentIndexChanged, this,
                [this, which](int item) { controller_.select(which, item); });
        lists_[size_t(which)] = combo;
        addCaptioned(grid, named[size_t(which)].second, combo);
    }
    grid->setColumnStretch(1, 1);

    QHBoxLayout* row = MakeSettingsButtonRow(*this, [this] { controller_.OKBtnClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TSettingsDlg::ShowSerialSettings(SerialChannel channel) {
    controller_.ShowSerialSettings(channel);
    setWindowTitle(ToQString(controller_.caption()));
    for (SerialList which : SerialLists) {
        QComboBox* combo = lists_[size_t(which)];
        const QSignalBlocker quiet(combo);
        if (which == SerialList::Port) {
            combo->clear();
            for (const std::string& item : controller_.items(which)) combo->addItem(ToQString(item));
        }
        combo->setCurrentIndex(controller_.selection(which));
    }
    showCentred();
}

}  // namespace orv::ui
