#include "core/InputMonitor.h"

#include "core/System.h"

namespace orv {

void InputMonitor::InitInputMonitor() {}

void InputMonitor::InputMonitorPass() { system_.sleep(50); }

}  // namespace orv
