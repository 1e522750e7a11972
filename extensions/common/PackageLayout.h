#pragma once

#include <QString>

#include <optional>

namespace tl::extension {

// A project package is a folder holding "project.json" and an "images" folder. Packages come
// from anywhere, so every path handed out here is real (symlinks resolved), names a regular
// file and lies inside the package: a record can never make us read another file.

// The package's own name (its last path component), however many slashes end the path.
QString packageName(const QString& packagePath);

// The package's "project.json", or none when it is missing or resolves outside the package.
std::optional<QString> projectRecordPath(const QString& packagePath);

// The file of a frame named by the record, or none when the name is not one plain path
// component, the file is missing, or it resolves outside the package's "images" folder.
std::optional<QString> framePath(const QString& packagePath, const QString& fileName);

} // namespace tl::extension
