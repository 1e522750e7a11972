#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

namespace tl::testing {

// Builds a project package in a temporary folder that is removed with the builder.
class PackageBuilder {
public:
    explicit PackageBuilder(const QString& name = QStringLiteral("Dunes.vorrind"));

    QString path() const { return root_.path() + u'/' + name_; }
    // The folder the package lies in, for files that must stay outside it.
    QString outside() const { return root_.path(); }

    PackageBuilder& record(const QByteArray& json);
    // A record listing these frames in order, as plain key frames.
    PackageBuilder& recordOfFrames(const QStringList& fileNames);
    // A PNG of one colour in the package's images folder.
    PackageBuilder& frame(const QString& fileName, const QColor& colour, QSize size = { 64, 48 });
    PackageBuilder& file(const QString& relativePath, const QByteArray& bytes);
    PackageBuilder& symlink(const QString& relativePath, const QString& target);
    // False, with nothing written, when libheif has no HEVC encoder here.
    bool heicFrame(const QString& fileName, const QColor& colour, QSize size);

private:
    QTemporaryDir root_;
    QString name_;
};

} // namespace tl::testing
