#include "astro/AxisTask.h"

#include "core/System.h"

namespace orv {

void AxisTask::InitAxisTask() {}

void AxisTask::AxisTaskPass() { system_.sleep(50); }

}  // namespace orv
