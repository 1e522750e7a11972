#include "extensions/common/PackageLayout.h"

#include <QDir>
#include <QFileInfo>

namespace tl::extension {
namespace {

bool isPlainComponent(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(u'/')
        && !name.contains(QChar(u'\0'));
}

// The real path of `path` when it is a regular file strictly below the real folder `folder`.
std::optional<QString> regularFileBelow(const QString& path, const QString& folder)
{
    const QFileInfo info(path);
    const QString real = info.canonicalFilePath();
    if (real.isEmpty() || !QFileInfo(real).isFile()) return std::nullopt;
    if (!real.startsWith(folder + u'/')) return std::nullopt;
    return real;
}

QString realPackagePath(const QString& packagePath)
{
    return QFileInfo(packagePath).canonicalFilePath();
}

} // namespace

QString packageName(const QString& packagePath)
{
    return QFileInfo(QDir::cleanPath(QDir(packagePath).absolutePath())).fileName();
}

std::optional<QString> projectRecordPath(const QString& packagePath)
{
    const QString package = realPackagePath(packagePath);
    if (package.isEmpty()) return std::nullopt;
    return regularFileBelow(package + QLatin1String("/project.json"), package);
}

std::optional<QString> framePath(const QString& packagePath, const QString& fileName)
{
    if (!isPlainComponent(fileName)) return std::nullopt;
    const QString package = realPackagePath(packagePath);
    if (package.isEmpty()) return std::nullopt;
    // The images folder itself is not resolved: a symlinked "images" leads out of the package.
    const QString images = package + QLatin1String("/images");
    return regularFileBelow(images + u'/' + fileName, images);
}

} // namespace tl::extension
