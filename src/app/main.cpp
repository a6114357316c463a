#include "app/OrvMain.h"

int main(int argc, char** argv) { return orv::app::RunOrv(argc, argv); }
