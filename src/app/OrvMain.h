#pragma once

namespace orv::app {
int RunOrv(int argc, char** argv);
}
