#pragma once
// The KAV window's label editors: the name of a port bit and the descriptions
// of the two filter wheels' rows. The labels live in the operator's defaults,
// which save them to the initialisation file.

#include <optional>
#include <string>

#include "config/InitFile.h"

namespace orv {

enum class KAVLabelList { Bits, SouthFilters, OnAxisFilters };

// What the input box shows: its title, its prompt and the text it starts with.
struct KAVLabelQuestion {
    std::string title;
    std::string prompt;
    std::string text;
};

// Bits by item index 0 ... 7 ("Bit Name Editor", "Enter Name For Bit-" + index);
// filters by row 1 ... 8 or 1 ... 6 ("South Wheel Editor" or "On Axis Editor",
// "Enter Name For Filter-" + row). Nothing for an index outside the list.
std::optional<KAVLabelQuestion> KAVLabelEditQuestion(const KAVLabels& labels, KAVLabelList list, int index);

// The answer replaces the label; false (nothing changed) for an index outside the list.
bool SetKAVLabel(KAVLabels& labels, KAVLabelList list, int index, const std::string& text);

}  // namespace orv
