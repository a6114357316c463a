#include "controllers/OrvKAVCon.h"

namespace orv {

namespace {

std::string Ordinal(int n) {
    static const char* suffix[] = {"th", "st", "nd", "rd"};
    return std::to_string(n) + (n >= 1 && n <= 3 ? suffix[n] : suffix[0]);
}

}  // namespace

KAVDialogModel::KAVDialogModel(KAVLink& link, Clock& clock) : link_(link), clock_(clock) {
    for (int i = 0; i < PortBits; ++i) bitLabels[size_t(i)] = "Bit-" + std::to_string(i);
    for (int i = 0; i < SouthFilters; ++i) southFilters[size_t(i)] = Ordinal(i + 1) + " Filter";
    for (int i = 0; i < OnAxisFilters; ++i) onAxisFilters[size_t(i)] = Ordinal(i + 1) + " Filter";
    const KAVStatus status = link_.Status();
    statusText_ = status.text;
    statusColour_ = status.colour;
    link_.setStatusObserver(this);
}

KAVDialogModel::~KAVDialogModel() {
    FormHide();
    link_.setStatusObserver(nullptr);
}

void KAVDialogModel::KAVStatusChanged(const std::string& text, KAVColour colour) {
    std::lock_guard lock(mutex_);
    statusText_ = text;
    statusColour_ = colour;
}

KAVDialogModel::View KAVDialogModel::Refresh() const {
    View view;
    {
        std::lock_guard lock(mutex_);
        view.statusText = statusText_;
        view.statusColour = statusColour_;
    }
    view.devices = link_.Display();
    view.guideProbe = {probeX_.load(), probeY_.load()};
    return view;
}

void KAVDialogModel::FormShow() {
    if (!hidden_.exchange(false)) return;
    sampler_ = std::thread([this] { sampleGuideProbe(); });
}

void KAVDialogModel::FormHide() {
    if (hidden_.exchange(true)) return;
    clock_.wakeAll();
    sampler_.join();
}

void KAVDialogModel::Close() {
    link_.Cancel();
    FormHide();
}

void KAVDialogModel::sampleGuideProbe() {
    while (!hidden_.load()) {
        const GuideProbePosition p = link_.ReadGuideProbe();
        probeX_ = p.x;
        probeY_ = p.y;
        // The program's stop ends the sampler at its next look.
        if (!clock_.sleepMs(RefreshMs, &hidden_)) break;
    }
}

// The exchanges reach only the link, which outlives the window's model.
bool KAVDialogModel::queue(std::function<void()> exchange) {
    link_.SetKAVStatus("", KAVColour::Lime);
    return link_.Submit(std::move(exchange));
}

bool KAVDialogModel::ApplySouth(int row) {
    return queue([&link = link_, row] { link.KAVSetMotor(KAVSouthWheel, row); });
}

bool KAVDialogModel::ApplyTransStage(bool stow) {
    return queue([&link = link_, stow] { link.KAVSetMotor(KAVStage, stow ? 1 : 2); });
}

bool KAVDialogModel::ApplyMirror(int index) {
    return queue([&link = link_, index] { link.KAVSetMotor(KAVMirror, index); });
}

bool KAVDialogModel::ApplyAxisFilter(int row) {
    return queue([&link = link_, row] { link.KAVSetMotor(KAVOnAxisWheel, row); });
}

bool KAVDialogModel::ApplyPort(int value) {
    return queue([&link = link_, value] { link.KAVSetPort(value); });
}

bool KAVDialogModel::UpdateKAVStatus() {
    return queue([&link = link_] {
        std::string text;
        if (link.GetKAVStatusAll(text)) link.GetKAVPortStatus(text);
    });
}

}  // namespace orv
