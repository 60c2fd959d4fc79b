#include <iostream>

#include "cli/cli_app.h"

int main(int argc, char** argv) { return tlw::cli::RunCli(argc, argv, std::cout, std::cerr); }
