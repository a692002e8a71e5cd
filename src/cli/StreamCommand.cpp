#include "cli/StreamCommand.h"

namespace StreamCommand {
int run(const CliOptions::Options&) {
    return 2;
}
} // namespace StreamCommand
