#include "ui/library/LibraryDrop.h"

#include <QUrl>

namespace tl::ui {

LibraryDrop classifyDrop(const QMimeData& data)
{
    if (data.hasUrls()) {
        ImportDrop drop;
        for (const QUrl& url : data.urls()) {
            if (url.isLocalFile()) drop.files.emplace_back(url.toLocalFile().toStdString());
        }
        if (!drop.files.empty()) return drop;
    }
    if (data.hasFormat(QString::fromLatin1(libraryImageMimeType))) {
        const QByteArray payload = data.data(QString::fromLatin1(libraryImageMimeType));
        if (const auto id = Uuid::parse(payload.toStdString())) return ReorderDrop { *id };
    }
    return std::monostate {};
}

QMimeData* makeLibraryDragData(const Uuid& id)
{
    auto* data = new QMimeData;
    const QString text = QString::fromStdString(id.text());
    data->setData(QString::fromLatin1(libraryImageMimeType), text.toUtf8());
    data->setText(text);
    return data;
}

} // namespace tl::ui
