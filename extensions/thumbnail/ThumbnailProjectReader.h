#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace tl::thumbnail {

// One entry of "images" as the thumbnailer reads it.
struct VelmarImageInfo {
    QString fileName;
    std::optional<double> altitude; // sun altitude, degrees
    bool isTween = false;
};

// "project.json" as the thumbnailer reads it; version and mode are checked but not used.
struct VelmarProject {
    std::optional<QString> version;
    std::optional<QString> mode;
    std::vector<VelmarImageInfo> images;
};

// None when the package has no readable "project.json", when a known key holds another JSON
// type, or when an image entry has no "fileName". Other keys are ignored.
std::optional<VelmarProject> readProject(const QString& packagePath);

} // namespace tl::thumbnail
