#include "cli/VerifyCommand.h"

namespace VerifyCommand {
int run(const CliOptions::Options&) {
    return 2;
}
} // namespace VerifyCommand
