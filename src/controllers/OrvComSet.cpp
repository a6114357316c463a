#include "controllers/OrvComSet.h"

#include <algorithm>

#include "comm/serial/CommPort.h"
#include "comm/serial/SerialDevices.h"

namespace orv {

namespace {

int& Field(SerialSettings& s, SerialList list) {
    switch (list) {
        case SerialList::BaudRate: return s.BaudRate;
        case SerialList::Parity: return s.Parity;
        case SerialList::DataBits: return s.DataBits;
        case SerialList::StopBits: return s.StopBits;
        case SerialList::Port: break;
    }
    return s.Port;
}

SerialPortItem ItemOf(const std::string& device) {
    const int ordinal = TtySOrdinal(device);
    if (ordinal >= 0) return {PortOrdinalName(ordinal) + " (" + device + ")", ordinal, ""};
    return {device, SerialSettings::NoPort, device};
}

const SerialPortItem None{"None", SerialSettings::NoPort, ""};

// The item a port setting stands for; a path of the form /dev/ttyS<n> is the ordinal n.
SerialPortItem Wanted(const SerialSettings& s) {
    if (s.Device.empty()) return s.Port == SerialSettings::NoPort ? None : ItemOf(PortOrdinalDevice(s.Port));
    return ItemOf(s.Device);
}

}  // namespace

const char* SerialChannelName(SerialChannel channel) {
    switch (channel) {
        case SerialChannel::ExCom: return "ExCom";
        case SerialChannel::MNCP: return "MNCP";
        case SerialChannel::KAV: break;
    }
    return "KAV";
}

OrvComSet::OrvComSet(DefaultsChannels& channels, DeviceLister devices)
    : channels_(channels), devices_(devices ? std::move(devices) : [] { return ListSerialDevices(); }) {}

const std::vector<std::string>& OrvComSet::FixedItems(SerialList list) {
    static const std::vector<std::string> baud{"110",  "300",   "600",   "1200",  "2400",  "4800",  "9600",
                                               "14400", "19200", "38400", "56000", "57600", "115200"};
    static const std::vector<std::string> parity{"None", "Odd", "Even", "Mark", "Space"};
    static const std::vector<std::string> dataBits{"Four", "Five", "Six", "Seven", "Eight"};
    static const std::vector<std::string> stopBits{"One", "One Point Five", "Two"};
    static const std::vector<std::string> none;
    switch (list) {
        case SerialList::BaudRate: return baud;
        case SerialList::Parity: return parity;
        case SerialList::DataBits: return dataBits;
        case SerialList::StopBits: return stopBits;
        case SerialList::Port: break;
    }
    return none;
}

std::vector<std::string> OrvComSet::items(SerialList list) const {
    if (list != SerialList::Port) return FixedItems(list);
    std::vector<std::string> texts;
    for (const SerialPortItem& p : ports_) texts.push_back(p.text);
    return texts;
}

void OrvComSet::select(SerialList list, int item) {
    const int count = list == SerialList::Port ? int(ports_.size()) : int(FixedItems(list).size());
    selection_[size_t(list)] = item >= 0 && item < count ? item : -1;
}

// The devices may have changed since the last opening: the item selected then
// stays selected while it is still there.
void OrvComSet::loadPorts() {
    const int before = selection_[size_t(SerialList::Port)];
    const SerialPortItem kept = before >= 0 ? ports_[size_t(before)] : SerialPortItem{};
    ports_.clear();
    for (const std::string& device : devices_()) ports_.push_back(ItemOf(device));
    ports_.push_back(None);
    const auto found = std::find(ports_.begin(), ports_.end(), kept);
    selection_[size_t(SerialList::Port)] = before >= 0 && found != ports_.end() ? int(found - ports_.begin()) : -1;
}

void OrvComSet::ShowSerialSettings(SerialChannel channel) {
    channel_ = channel;
    caption_ = std::string(SerialSettingsCaptionFor) + SerialChannelName(channel);
    loadPorts();
    SerialSettings s = channels_.serialSettings(channel);
    const auto port = std::find(ports_.begin(), ports_.end(), Wanted(s));
    if (port != ports_.end()) selection_[size_t(SerialList::Port)] = int(port - ports_.begin());
    for (SerialList list : SerialLists) {
        if (list == SerialList::Port) continue;
        const int value = Field(s, list);
        if (value >= 0 && value < int(FixedItems(list).size())) selection_[size_t(list)] = value;
    }
}

void OrvComSet::OKBtnClick() {
    SerialSettings s = channels_.serialSettings(channel_);
    if (const int p = selection(SerialList::Port); p >= 0) {
        s.Port = ports_[size_t(p)].ordinal;
        s.Device = ports_[size_t(p)].device;
    }
    for (SerialList list : SerialLists)
        if (list != SerialList::Port && selection(list) >= 0) Field(s, list) = selection(list);
    channels_.setSerialSettings(channel_, s);
}

}  // namespace orv
