// Draws the program's icon as Qt draws the SVG for a window's icon (16, 32, 64 and 128 pixels, the
// sizes the X11 window system is given) into one file of premultiplied ARGB32 pixels, row by row,
// smallest first. The program gives its windows these pixels, without reading and drawing the
// SVG at every start. Run by the build: render_window_icon ICON.svg OUTPUT
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: render_window_icon ICON.svg OUTPUT\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QIcon icon(QString::fromLocal8Bit(argv[1]));
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (icon.isNull() || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "render_window_icon: cannot draw %s into %s\n", argv[1], argv[2]);
        return 1;
    }
    for (int size : {16, 32, 64, 128}) {
        const QImage image =
            icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (image.size() != QSize(size, size)) {
            std::fprintf(stderr, "render_window_icon: %s draws no %d x %d picture\n", argv[1], size, size);
            return 1;
        }
        for (int y = 0; y < size; ++y) out.write(reinterpret_cast<const char*>(image.constScanLine(y)), size * 4);
    }
    if (!out.flush()) return 1;
    out.close();
    // The toolkit's own state goes with the process (a leak checker would only count it).
    std::fflush(nullptr);
    std::_Exit(0);
}
