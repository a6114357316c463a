#include "app/OrvMain.h"

namespace orv::app {
int RunOrv(int, char**) { return 0; }
}
