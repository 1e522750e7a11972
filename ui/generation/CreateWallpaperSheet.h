#pragma once

class QDialog;
class QWidget;

namespace tl::ui {

class LibraryContext;

// The sheet behind "Generate Timeline...", made fresh for each showing.
QDialog* makeCreateWallpaperSheet(LibraryContext& context, QWidget* parent);

} // namespace tl::ui
