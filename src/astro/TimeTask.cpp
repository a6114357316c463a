#include "astro/TimeTask.h"

#include "core/System.h"

namespace orv {

void TimeTask::InitTimeTask() {}

void TimeTask::TimeTaskPass() { system_.sleep(100); }

}  // namespace orv
