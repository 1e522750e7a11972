#include "app/AppState.h"

#include "model/RecentProjectCoding.h"
#include "platform/Log.h"
#include "platform/Text.h"

#include <algorithm>
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

// The stored list; none when nothing readable is stored.
std::optional<std::vector<RecentProject>> storedRecentProjects(const Defaults& defaults)
{
    const auto stored = defaults.data(AppState::recentProjectsKey);
    if (!stored) return std::nullopt;
    auto decoded = decodeRecentProjects(stored->bytes);
    if (!decoded) return std::nullopt;
    return std::move(decoded).value();
}

} // namespace

void AppState::addRecentProject(const std::filesystem::path& url)
{
    const auto location = normalizedPath(url);
    // The list is stored as text, so a name in another encoding is kept in displayable form.
    const std::string path = validUtf8(location.string());
    if (path.empty()) {
        log("⚠️ addRecentProject: empty path");
        return;
    }
    log("➕ Adding recent project: " + path);

    std::string displayName = validUtf8(location.stem().string());
    if (displayName.empty()) displayName = validUtf8(location.filename().string());
    if (displayName.empty()) displayName = path;

    // Another instance may have stored its own additions since this one read the list: the
    // addition goes into the stored list, so neither instance erases the other's entries.
    defaults_.synchronize();
    auto projects = storedRecentProjects(defaults_).value_or(recentProjects.get());
    std::erase_if(projects, [&](const RecentProject& project) { return project.path == path; });
    projects.insert(projects.begin(), RecentProject { path, std::move(displayName), Date::now() });
    if (projects.size() > kMaximumRecentProjects) projects.resize(kMaximumRecentProjects);
    recentProjects = std::move(projects);
    log("📝 Recent projects count: " + std::to_string(recentProjects.get().size()));
    log("📝 Recent projects: " + displayNameList(recentProjects.get()));
    saveRecentProjects();
}

void AppState::saveRecentProjects()
{
    const auto encoded = encodeRecentProjects(recentProjects.get());
    if (!encoded) {
        log("Failed to save recent projects: " + encoded.error().message);
        return;
    }
    defaults_.set(recentProjectsKey, DefaultsData { encoded.value() });
    // Written through at once, so an instance started meanwhile merges into it.
    defaults_.synchronize();
    log("💾 Saved " + std::to_string(recentProjects.get().size()) + " recent projects to UserDefaults");
}

void AppState::loadRecentProjects()
{
    const auto stored = defaults_.data(recentProjectsKey);
    if (!stored) {
        log("📂 No recent projects found in UserDefaults");
        recentProjects.set({});
        return;
    }
    auto decoded = decodeRecentProjects(stored->bytes);
    if (!decoded) {
        log("Failed to load recent projects: " + decoded.error().message);
        recentProjects.set({});
        return;
    }
    recentProjects = std::move(decoded).value();
    log("📂 Loaded " + std::to_string(recentProjects.get().size()) + " recent projects");
    log("📂 Projects: " + displayNameList(recentProjects.get()));
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

} // namespace tl
