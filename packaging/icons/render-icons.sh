#!/usr/bin/env bash
# Renders the application icon's PNG sizes from brennvik-mora.svg with Qt's SVG image plugin
# (qt6-svg), so that the package needs no SVG tool at build time. Run after changing the SVG and
# commit the PNG files.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat >"$work/render.cpp" <<'CPP'
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImageReader reader(QString::fromLocal8Bit(argv[1]));
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        const QString out = QString("%1/hicolor/%2x%2/apps/brennvik-mora.png").arg(argv[2]).arg(size);
        if (image.isNull() || !image.save(out)) {
            return 1;
        }
    }
    return 0;
}
CPP
g++ -std=c++17 -fPIC "$work/render.cpp" -o "$work/render" $(pkg-config --cflags --libs Qt6Gui)
"$work/render" "$here/brennvik-mora.svg" "$here"
