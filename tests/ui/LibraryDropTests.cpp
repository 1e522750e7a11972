#include "ui/library/LibraryDrop.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace tl::ui {
namespace {

TEST(LibraryDrop, LocalFilesImportInDropOrderEvenBesidePlainText)
{
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile("/photos/b.png"), QUrl("https://example.com/x.png"),
        QUrl::fromLocalFile("/photos/a.png") });
    // File managers put the paths beside the list as text.
    data.setText("/photos/b.png\n/photos/a.png");
    const auto drop = classifyDrop(data);
    const auto* files = std::get_if<ImportDrop>(&drop);
    ASSERT_TRUE(files);
    EXPECT_EQ(files->files, (std::vector<std::filesystem::path> { "/photos/b.png", "/photos/a.png" }));
}

TEST(LibraryDrop, OnlyOurOwnDragsReorder)
{
    const auto id = Uuid::random();
    std::unique_ptr<QMimeData> own(makeLibraryDragData(id));
    const auto drop = classifyDrop(*own);
    ASSERT_TRUE(std::holds_alternative<ReorderDrop>(drop));
    EXPECT_EQ(std::get<ReorderDrop>(drop).moving, id);

    QMimeData foreign;
    foreign.setText(QString::fromStdString(id.text()));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(classifyDrop(foreign)));

    QMimeData remoteOnly;
    remoteOnly.setUrls({ QUrl("https://example.com/x.png") });
    EXPECT_TRUE(std::holds_alternative<std::monostate>(classifyDrop(remoteOnly)));
}

} // namespace
} // namespace tl::ui
