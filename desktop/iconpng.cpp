// Draws a program's scalable icon at build time, at each size given, as a PNG image for the
// icon theme and as raw premultiplied ARGB32 pixels for the window icon: the program then
// parses no SVG and loads no image plugin at start.
//   iconpng <icon.svg> <output prefix> <size>...   writes <prefix>-<size>.png and .argb
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: iconpng <icon.svg> <output prefix> <size>...\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "iconpng: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0 || size > 1024) {
            std::fprintf(stderr, "iconpng: bad size %s\n", argv[i]);
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        svg.render(&painter);
        painter.end();
        const QString out = QStringLiteral("%1-%2").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        QFile raw(out + QStringLiteral(".argb"));
        const qsizetype bytes = image.sizeInBytes();
        if (!image.save(out + QStringLiteral(".png"), "PNG") || !raw.open(QIODevice::WriteOnly) ||
            raw.write(reinterpret_cast<const char*>(image.constBits()), bytes) != bytes) {
            std::fprintf(stderr, "iconpng: cannot write %s\n", qPrintable(out));
            return 1;
        }
    }
    return 0;
}
