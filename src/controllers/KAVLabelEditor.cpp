#include "controllers/KAVLabelEditor.h"

namespace orv {

namespace {

// The label an item stands for: bits by index from 0, filters by row from 1.
std::string* Label(KAVLabels& labels, KAVLabelList list, int index) {
    switch (list) {
        case KAVLabelList::Bits:
            return index >= 0 && index < int(labels.Bits.size()) ? &labels.Bits[size_t(index)] : nullptr;
        case KAVLabelList::SouthFilters:
            return index >= 1 && index <= int(labels.SouthFilters.size()) ? &labels.SouthFilters[size_t(index - 1)]
                                                                          : nullptr;
        case KAVLabelList::OnAxisFilters:
            return index >= 1 && index <= int(labels.OnAxisFilters.size())
                       ? &labels.OnAxisFilters[size_t(index - 1)]
                       : nullptr;
    }
    return nullptr;
}

}  // namespace

std::optional<KAVLabelQuestion> KAVLabelEditQuestion(const KAVLabels& labels, KAVLabelList list, int index) {
    KAVLabels copy = labels;
    const std::string* label = Label(copy, list, index);
    if (!label) return std::nullopt;
    const std::string n = std::to_string(index);
    switch (list) {
        case KAVLabelList::Bits: return KAVLabelQuestion{"Bit Name Editor", "Enter Name For Bit-" + n, *label};
        case KAVLabelList::SouthFilters:
            return KAVLabelQuestion{"South Wheel Editor", "Enter Name For Filter-" + n, *label};
        case KAVLabelList::OnAxisFilters: break;
    }
    return KAVLabelQuestion{"On Axis Editor", "Enter Name For Filter-" + n, *label};
}

bool SetKAVLabel(KAVLabels& labels, KAVLabelList list, int index, const std::string& text) {
    std::string* label = Label(labels, list, index);
    if (!label) return false;
    *label = text;
    return true;
}

}  // namespace orv
