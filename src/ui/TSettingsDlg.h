#pragma once
// The Serial Settings dialog of the ExCom or MNCP line: five lists, OK,
// Cancel and help. OrvComSet loads the lists and stores the choice; modal to
// the Communications dialog, without a nested event loop.

#include "controllers/OrvComSet.h"
#include "ui/TOrvDialog.h"

class QComboBox;

namespace orv::ui {

class TSettingsDlg : public TOrvDialog {
    Q_OBJECT
public:
    explicit TSettingsDlg(DefaultsChannels& channels, QWidget* parent = nullptr,
                          OrvComSet::DeviceLister devices = {});

    // Loads the lists from the channel's settings and opens the dialog; OK stores them.
    void ShowSerialSettings(SerialChannel channel);

    OrvComSet& controller() { return controller_; }
    QComboBox* list(SerialList which) const { return lists_[size_t(which)]; }

private:
    OrvComSet controller_;
    std::array<QComboBox*, 5> lists_;
};

// The help button of the settings dialogs ("BitBtn1"): opens the dialog's topic.
QPushButton* MakeHelpButton(TOrvDialog& dialog);

}  // namespace orv::ui
