#pragma once
// The Serial Settings dialog's model (`TSettingsDlg`): the port, baud rate,
// parity, data bits and stop bits of the ExCom or MNCP line. OK stores the
// choices without reopening the port; they take effect when the channel is next
// switched on.
//
// The port list offers the serial lines this computer has now and "None". A
// /dev/ttyS<n> is stored as the port ordinal n ("Com<n+1>"), any other device
// by its path, so the initialisation file keeps both. A setting that has no
// item in its list (a port ordinal whose device is not there, a device that is
// unplugged) leaves that list's selection as it was.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "controllers/DefaultsChannels.h"

namespace orv {

inline constexpr const char* SerialSettingsCaption = "Serial Port Settings";
inline constexpr const char* SerialSettingsCaptionFor = "Serial Settings For ";
inline constexpr int SerialSettingsHelpTopic = 6;

enum class SerialList { Port, BaudRate, Parity, DataBits, StopBits };
inline constexpr std::array<SerialList, 5> SerialLists = {SerialList::Port, SerialList::BaudRate, SerialList::Parity,
                                                           SerialList::DataBits, SerialList::StopBits};

// One item of the port list: "None", a /dev/ttyS<n> kept as its ordinal, or a
// device kept by its path.
struct SerialPortItem {
    std::string text;
    int ordinal = SerialSettings::NoPort;
    std::string device;
    bool operator==(const SerialPortItem&) const = default;
};

// The channel's name in the caption: "ExCom", "MNCP" or "KAV".
const char* SerialChannelName(SerialChannel channel);

class OrvComSet {
public:
    // The serial devices present, as paths.
    using DeviceLister = std::function<std::vector<std::string>()>;

    explicit OrvComSet(DefaultsChannels& channels, DeviceLister devices = {});

    // The fixed lists: "110" ... "115200", "None" ... "Space", "Four" ...
    // "Eight", "One", "One Point Five", "Two". Item i is ordinal i.
    static const std::vector<std::string>& FixedItems(SerialList list);

    // Before the dialog is shown: the caption "Serial Settings For " + the
    // channel's name, the port list as the computer has it now, and each list
    // selected from the channel's settings.
    void ShowSerialSettings(SerialChannel channel);

    const std::string& caption() const { return caption_; }
    const std::vector<SerialPortItem>& ports() const { return ports_; }
    // The texts of a list's items.
    std::vector<std::string> items(SerialList list) const;
    // The selected item; -1 when none is.
    int selection(SerialList list) const { return selection_[size_t(list)]; }
    // The operator chose an item (-1: none).
    void select(SerialList list, int item);

    // Stores each selected item into the channel's settings; a list without a
    // selection leaves its setting as it was.
    void OKBtnClick();

private:
    void loadPorts();

    DefaultsChannels& channels_;
    DeviceLister devices_;
    SerialChannel channel_ = SerialChannel::ExCom;
    std::string caption_ = SerialSettingsCaption;
    std::vector<SerialPortItem> ports_;
    std::array<int, 5> selection_{-1, -1, -1, -1, -1};
};

}  // namespace orv
