// Tesmo: network diagnostics against one target host.
#include "ui/app/application.h"

int main(int argc, char** argv) { return tesmo::RunWindow(argc, argv); }
