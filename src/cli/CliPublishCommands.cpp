#include <CLI/CLI.hpp>

#include "cli/CliCommands.h"

namespace foldcraft::cli {

void RegisterPublishCommands(CLI::App& /*app*/, CliContext& /*ctx*/) {}

}  // namespace foldcraft::cli
