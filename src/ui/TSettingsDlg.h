#pragma once
// The Serial Settings dialog of the ExCom or MNCP line: five lists, OK,
// Cancel and help. OrvComSet loads the lists and stores the choice; modal to
// the Communications dialog, without a nested event loop.

#include <functional>

#include "controllers/OrvComSet.h"
#include "ui/TOrvDialog.h"

class QComboBox;
class QHBoxLayout;

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

// The button row of the settings dialogs: OK (the default; runs `onOk`, then
// accepts), Cancel, and Help ("BitBtn1") opening the dialog's topic.
QHBoxLayout* MakeSettingsButtonRow(TOrvDialog& dialog, std::function<void()> onOk);

}  // namespace orv::ui
