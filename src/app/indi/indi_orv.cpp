// indi_orv: the INDI driver of Orv. One process serves the three devices of
// the telescope (mount, dome, focuser), each with its own connection to a
// running orv's TCP/IP server. Start it under indiserver: `indiserver indi_orv`.
//
// INDI's driver library brings main() and the dispatch of every client
// request to the devices that exist; a device exists from its construction,
// so the three are built before main runs and live for the whole process.

#include "app/indi/OrvDome.h"
#include "app/indi/OrvFocuser.h"
#include "app/indi/OrvMount.h"

namespace {

struct OrvDevices {
    orv::indi::OrvMount mount;
    orv::indi::OrvDome dome;
    orv::indi::OrvFocuser focuser;
};

const OrvDevices& Devices() {
    static OrvDevices devices;
    return devices;
}

// Built during static initialisation, before INDI's main() asks for properties.
[[maybe_unused]] const OrvDevices& DevicesBuiltAtStart = Devices();

}  // namespace
