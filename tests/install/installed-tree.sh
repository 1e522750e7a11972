#!/usr/bin/env bash
# Installing the build into an empty prefix puts every file a desktop, a software centre, man and
# bash look for where they look.
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
failed=0
for file in \
  bin/Tidelumine bin/tidelumine-cli bin/tidelumine-thumbnailer bin/tidelumine-quicklook \
  share/applications/com.hollowquart.tidelumine.desktop \
  share/applications/tidelumine-quicklook.desktop \
  share/metainfo/com.hollowquart.tidelumine.metainfo.xml \
  share/mime/packages/tidelumine-project.xml \
  share/thumbnailers/tidelumine.thumbnailer \
  share/icons/hicolor/scalable/apps/tidelumine.svg \
  share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256,512x512}/apps/tidelumine.png \
  share/man/man1/{Tidelumine,tidelumine-cli,tidelumine-thumbnailer,tidelumine-quicklook}.1 \
  share/bash-completion/completions/tidelumine-cli \
  share/doc/Tidelumine/LICENSE \
  share/tidelumine/models/realesrgan512.onnx share/tidelumine/models/realesrgan512.LICENSE; do
  [ -s "$prefix/$file" ] || { echo "FAIL: not installed: $file"; failed=1; }
done
exit $failed
