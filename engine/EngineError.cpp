#include "engine/EngineError.h"

#include "platform/Overloaded.h"

namespace tl {

bool EngineError::isCancelled() const
{
    if (std::holds_alternative<Cancelled>(cause_)) return true;
    const auto* upscale = as<UpscaleError>();
    return upscale && upscale->isCancelled();
}

std::string EngineError::description() const
{
    return std::visit(Overloaded {
                          [](const HeicGeneratorError& error) { return error.description(); },
                          [](TweenGeneratorError error) { return tl::description(error); },
                          [](const UpscaleError& error) { return error.description(); },
                          [](const FileSystemError& error) { return error.code.message() + ": " + error.path; },
                          [](Cancelled) { return std::string("Cancelled"); },
                      },
        cause_);
}

} // namespace tl
