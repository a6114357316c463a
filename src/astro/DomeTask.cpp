#include "astro/DomeTask.h"

#include "core/System.h"

namespace orv {

void DomeTask::InitDomeTask() {}

void DomeTask::DomeTaskPass() { system_.sleep(2000); }

}  // namespace orv
