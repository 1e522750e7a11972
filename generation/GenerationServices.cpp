#include "generation/GenerationServices.h"

namespace tl {

GenerationServices::GenerationServices(
    HttpTransport& transport, Defaults& defaults, const Environment& processEnvironment, const Clock& clock)
    : server { .transport = transport, .defaults = defaults, .clock = clock }
    , environment(processEnvironment)
    , providers(makeProviderImageService(transport, processEnvironment))
{
}

} // namespace tl
