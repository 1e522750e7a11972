#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tl::preview {

// One entry of "images" as the previewer reads it.
struct VelmarImageInfo {
    QString fileName;
};

// "project.json" as the previewer reads it.
struct VelmarProject {
    std::optional<QString> version;
    std::optional<QString> mode;
    std::vector<VelmarImageInfo> images;
};

// None when the package has no readable "project.json", when a known key holds another JSON
// type, or when an image entry has no "fileName". Other keys are ignored.
std::optional<VelmarProject> readProject(const QString& packagePath);

// What the preview shows of a package before any frame is decoded.
struct PreviewProject {
    QString title; // the package's name
    QString detail; // the record's facts, one per line
    QStringList frameFiles; // frames to try, in record order; names leading out of the package are left out
};

PreviewProject loadProject(const QString& packagePath);

} // namespace tl::preview
