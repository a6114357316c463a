#pragma once
// The KAV window, "Zev Engineering, Inc. Kavallo Control": a page per device
// (south filter wheel, translating stage, rotating mirror, on-axis filter
// wheel, the I/O port), the status panel, the eight display fields and the
// guide probe position. KAVDialogModel runs every exchange off the main
// thread; the window refreshes from it every 250 ms while shown. "&Close"
// hides the window and ends an exchange that waits for the instrument.
// Modeless and always on top, created once.

#include <QTimer>
#include <array>
#include <functional>
#include <optional>

#include "controllers/KAVLabelEditor.h"
#include "controllers/KAVPortBits.h"
#include "controllers/OrvKAVCon.h"
#include "ui/TOrvDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QRadioButton;
class QTableWidget;
class QTabWidget;

namespace orv::ui {

class TIntegerSpin;

// Where the labels are kept: the operator's defaults, which save them. Without
// it the window keeps its own.
struct KAVLabelAccess {
    std::function<KAVLabels()> get;
    std::function<void(const KAVLabels&)> set;
};

class TKAVDlg : public TOrvDialog {
    Q_OBJECT
public:
    enum Page { SouthPage, StagePage, MirrorPage, OnAxisPage, PortPage };
    // The eight display fields, in the order of the status group.
    static constexpr std::array<const char*, 8> DisplayFields{
        "SouthFilterWheelPos", "SouthFilterADU", "TranslatingStagePos", "TranslatingStageADU",
        "RotatingMirrorPos",   "OnAxisFilterWheelPos", "OnAxisFilterADU", "KAVIOPos"};

    TKAVDlg(KAVLink& link, Clock& clock, KAVLabelAccess labels = {}, QWidget* parent = nullptr);
    ~TKAVDlg() override;

    // "&KAV Control...": the labels as kept, then the window.
    void KAVMnuClick();

    // The input box of the label editors; nothing when cancelled. Replaceable for tests.
    using AskLabel = std::function<std::optional<std::string>(const KAVLabelQuestion&)>;
    void setAskLabel(AskLabel ask) { ask_ = std::move(ask); }

    KAVDialogModel& model() { return model_; }
    QTabWidget* pages() const { return pages_; }
    // One 250 ms refresh, also called by the timer.
    void KAVTimerTimer();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void reject() override;   // Escape and the title bar's close: as "&Close"

private:
    QWidget* buildSouthPage();
    QWidget* buildStagePage();
    QWidget* buildMirrorPage();
    QWidget* buildOnAxisPage();
    QWidget* buildPortPage();
    QWidget* buildStatus();
    void showLabels();
    void showPortBits();
    void editLabel(KAVLabelList list, int index);
    KAVLabels labels() const;

    KAVDialogModel model_;
    KAVLabelAccess labelAccess_;
    KAVLabels ownLabels_ = KAVLabels::Defaults();
    KAVLabels shownLabels_;
    KAVPortBits portBits_;
    AskLabel ask_;
    QTabWidget* pages_;
    QTableWidget* south_;
    QTableWidget* onAxis_;
    QRadioButton* stow_;
    QComboBox* mirror_;
    QListWidget* bits_;
    TIntegerSpin* value_;
    QLabel* hex_;
    QLabel* status_;
    std::array<QLabel*, 8> fields_{};
    QLabel* probeX_;
    QLabel* probeY_;
    QCheckBox* logDetails_;
    QTimer timer_;
};

}  // namespace orv::ui
