#pragma once

#include "engine/EngineError.h"
#include "generation/GenerationFailure.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <variant>

namespace tl::ui {

// A working file or folder the run could not write.
struct RunFileError {
    std::filesystem::path path;
    std::error_code code;
};

// A failure of the product's server, with the address the run sent its requests to.
struct ServerRunFailure {
    GenerationFailure failure;
    std::string serverURL;
};

// A starting image the server road refuses before sending anything.
struct StartingImageError { };

// The system names no folder for application data, so the provider road has nowhere to write.
struct NoDataFolderError { };

// Every way a sheet's generation run can stop early. Whether it counts as cancelled is decided
// by the run's stop request as well (see isCancelledRun), since an aborted request may report
// a transport error instead.
using RunError = std::variant<GenerationFailure, ServerRunFailure, EngineError, RunFileError, StartingImageError,
    NoDataFolderError>;

std::string describe(const RunError& error);
// What an exception caught on a run's worker becomes; call only inside a catch block.
RunError currentExceptionRunError();
bool isCancellation(const RunError& error);

} // namespace tl::ui
