#pragma once

#include "generation/ServerContext.h"
#include "platform/Result.h"
#include "ui/generation/RunError.h"

#include <filesystem>
#include <string>

namespace tl::ui {

class RunChannel;
struct RunInputs;

struct ServerRoadSetup {
    std::string serverURL;
    ServerContext server;
    std::filesystem::path temporaryFolder;
};

// The timeline generator of the product's server, run on the worker: eleven images saved under
// "TidelumineGenerated"/<UUID>, the ten relit ones published as the timeline and the batch
// closed, then the tween pass. The base image is saved and previewed but gets no record.
Result<void, RunError> runServerRoad(const RunInputs& inputs, const ServerRoadSetup& setup, const RunChannel& channel);

} // namespace tl::ui
