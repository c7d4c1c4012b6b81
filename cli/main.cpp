// quorvane-cli: the headless front end over the core.
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

constexpr const char* usage =
    "usage: quorvane-cli add --run-dir DIR --mode single|category|shop --list FILE [--append] "
    "ADDRESS...\n"
    "       quorvane-cli collect --run-dir DIR --list FILE [--output PATH]\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "quorvane-cli: missing command\n" << usage;
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    if (command == "add") {
        return quorvane::cli::add_command(arguments);
    }
    if (command == "collect") {
        return quorvane::cli::collect_command(arguments);
    }
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << usage;
        return 0;
    }
    std::cerr << "quorvane-cli: unknown command '" << command << "'\n";
    return 2;
}
