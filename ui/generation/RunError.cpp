#include "ui/generation/RunError.h"

#include "platform/ExceptionText.h"
#include "platform/Overloaded.h"

namespace tl::ui {

std::string describe(const RunError& error)
{
    return std::visit(
        Overloaded {
            [](const GenerationFailure& failure) { return tl::describe(failure); },
            [](const ServerRunFailure& server) { return tl::describe(server.failure, server.serverURL); },
            [](const EngineError& engine) { return engine.description(); },
            [](const RunFileError& file) { return file.code.message() + ": " + file.path.string(); },
            [](const StartingImageError&) { return std::string("Failed to load starting image."); },
            [](const NoDataFolderError&) { return std::string("No folder for application data was found."); },
        },
        error);
}

bool isCancellation(const RunError& error)
{
    if (const auto* failure = std::get_if<GenerationFailure>(&error)) return tl::isCancellation(*failure);
    if (const auto* server = std::get_if<ServerRunFailure>(&error)) return tl::isCancellation(server->failure);
    if (const auto* engine = std::get_if<EngineError>(&error)) return engine->isCancelled();
    return false;
}

RunError currentExceptionRunError()
{
    return EngineError(HeicGeneratorError::processingFailed(currentExceptionText()));
}

} // namespace tl::ui
