#include "PackageBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <libheif/heif.h>

#include <memory>

namespace tl::testing {

PackageBuilder::PackageBuilder(const QString& name)
    : name_(name)
{
    QDir(root_.path()).mkpath(name_ + QStringLiteral("/images"));
}

PackageBuilder& PackageBuilder::record(const QByteArray& json)
{
    return file(QStringLiteral("project.json"), json);
}

PackageBuilder& PackageBuilder::recordOfFrames(const QStringList& fileNames)
{
    QJsonArray images;
    for (const QString& fileName : fileNames)
        images.append(QJsonObject { { "fileName", fileName }, { "isTween", false } });
    return record(
        QJsonDocument(QJsonObject { { "version", "1.0" }, { "mode", "time" }, { "images", images } }).toJson());
}

PackageBuilder& PackageBuilder::frame(const QString& fileName, const QColor& colour, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path() + QStringLiteral("/images/") + fileName, "png");
    return *this;
}

PackageBuilder& PackageBuilder::file(const QString& relativePath, const QByteArray& bytes)
{
    const QString target = path() + u'/' + relativePath;
    QDir().mkpath(QFileInfo(target).path());
    QFile out(target);
    if (out.open(QIODevice::WriteOnly)) out.write(bytes);
    return *this;
}

PackageBuilder& PackageBuilder::symlink(const QString& relativePath, const QString& target)
{
    QFile::link(target, path() + u'/' + relativePath);
    return *this;
}

bool PackageBuilder::heicFrame(const QString& fileName, const QColor& colour, QSize size)
{
    if (!heif_have_encoder_for_format(heif_compression_HEVC)) return false;
    std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(), heif_context_free);
    heif_encoder* rawEncoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder).code != heif_error_Ok)
        return false;
    std::unique_ptr<heif_encoder, void (*)(heif_encoder*)> encoder(rawEncoder, heif_encoder_release);
    heif_encoder_set_lossy_quality(encoder.get(), 90);

    heif_image* rawImage = nullptr;
    heif_image_create(size.width(), size.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &rawImage);
    std::unique_ptr<heif_image, void (*)(const heif_image*)> image(rawImage, heif_image_release);
    heif_image_add_plane(image.get(), heif_channel_interleaved, size.width(), size.height(), 8);
    int stride = 0;
    uint8_t* pixels = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            uint8_t* pixel = pixels + y * stride + x * 3;
            pixel[0] = uint8_t(colour.red());
            pixel[1] = uint8_t(colour.green());
            pixel[2] = uint8_t(colour.blue());
        }
    }
    if (heif_context_encode_image(context.get(), image.get(), encoder.get(), nullptr, nullptr).code != heif_error_Ok)
        return false;
    const QByteArray target = QFile::encodeName(path() + QStringLiteral("/images/") + fileName);
    return heif_context_write_to_file(context.get(), target.constData()).code == heif_error_Ok;
}

} // namespace tl::testing
