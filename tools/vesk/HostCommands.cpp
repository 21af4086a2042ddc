// vesk host: one computer's row, with the console's own rules.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"

namespace vesk::cli {

void registerHostCommands(CommandRegistry &) {}

} // namespace vesk::cli
