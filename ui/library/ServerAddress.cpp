#include "ui/library/ServerAddress.h"

#include "app/ServerAddresses.h"
#include "generation/GenerationServices.h"

namespace tl::ui {

std::function<std::string()> serverAddress(const GenerationServices& generation)
{
    if (generation.serverURL) return generation.serverURL;
    return [&environment = generation.environment] { return resolvedServerURL(environment); };
}

} // namespace tl::ui
