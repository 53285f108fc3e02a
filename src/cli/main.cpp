#include "Cli.h"

int main(int argc, char** argv) { return rixcli::Main(argc, argv); }
