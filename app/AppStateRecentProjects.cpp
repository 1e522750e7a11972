#include "app/AppState.h"

#include "app/model/RecentProjectCoding.h"

#include <algorithm>
#include <iostream>
#include <sstream>

namespace tl {
namespace {

constexpr std::size_t kMaximumRecentProjects = 10;

std::string displayNameList(const std::vector<RecentProject>& projects)
{
    std::ostringstream list;
    list << '[';
    for (std::size_t i = 0; i < projects.size(); ++i) {
        if (i > 0) list << ", ";
        list << '"' << projects[i].displayName << '"';
    }
    list << ']';
    return list.str();
}

}  // namespace

void AppState::addRecentProject(const std::filesystem::path& url)
{
    const std::string path = url.string();
    if (path.empty()) {
        std::cout << "⚠️ addRecentProject: empty path\n";
        return;
    }
    std::cout << "➕ Adding recent project: " << path << '\n';

    std::string displayName = url.stem().string();
    if (displayName.empty()) displayName = url.filename().string();

    recentProjects.mutate([&](std::vector<RecentProject>& projects) {
        std::erase_if(projects, [&](const RecentProject& project) { return project.path == path; });
        projects.insert(projects.begin(), RecentProject{path, std::move(displayName), Date::now()});
        if (projects.size() > kMaximumRecentProjects) projects.resize(kMaximumRecentProjects);
    });
    std::cout << "📝 Recent projects count: " << recentProjects.get().size() << '\n'
              << "📝 Recent projects: " << displayNameList(recentProjects.get()) << '\n';
    saveRecentProjects();
}

void AppState::saveRecentProjects()
{
    const auto encoded = encodeRecentProjects(recentProjects.get());
    if (!encoded) {
        std::cout << "Failed to save recent projects: " << encoded.error().message << '\n';
        return;
    }
    defaults_.set(recentProjectsKey, DefaultsData{encoded.value()});
    std::cout << "💾 Saved " << recentProjects.get().size() << " recent projects to UserDefaults\n";
}

void AppState::loadRecentProjects()
{
    const auto stored = defaults_.data(recentProjectsKey);
    if (!stored) {
        std::cout << "📂 No recent projects found in UserDefaults\n";
        recentProjects.set({});
        return;
    }
    auto decoded = decodeRecentProjects(stored->bytes);
    if (!decoded) {
        std::cout << "Failed to load recent projects: " << decoded.error().message << '\n';
        recentProjects.set({});
        return;
    }
    recentProjects = std::move(decoded).value();
    std::cout << "📂 Loaded " << recentProjects.get().size() << " recent projects\n"
              << "📂 Projects: " << displayNameList(recentProjects.get()) << '\n';
}

void AppState::loadGenerationState()
{
    const auto storedClientId = defaults_.string(clientIdKey);
    if (storedClientId && !storedClientId->empty()) {
        clientId = *storedClientId;
    } else {
        clientId = Uuid::random().text();
        defaults_.set(clientIdKey, clientId.get());
    }

    auto jobId = defaults_.string(currentGenerationJobIdKey);
    auto idempotencyKey = defaults_.string(currentGenerationIdempotencyKeyKey);
    auto lastEventId = defaults_.string(currentGenerationLastEventIdKey);
    currentGenerationJobId = std::move(jobId);
    currentGenerationIdempotencyKey = std::move(idempotencyKey);
    currentGenerationLastEventId = std::move(lastEventId);
}

void AppState::saveGenerationState()
{
    const auto store = [this](std::string_view key, const std::optional<std::string>& value) {
        if (value) {
            defaults_.set(key, *value);
        } else {
            defaults_.remove(key);
        }
    };
    store(currentGenerationJobIdKey, currentGenerationJobId.get());
    store(currentGenerationIdempotencyKeyKey, currentGenerationIdempotencyKey.get());
    store(currentGenerationLastEventIdKey, currentGenerationLastEventId.get());
}

}  // namespace tl
