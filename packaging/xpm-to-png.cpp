// Turns the window icon into the PNG that desktops show for the installed
// tool. Runs at build time. Usage: xpm-to-png INPUT.xpm OUTPUT.png
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: xpm-to-png INPUT.xpm OUTPUT.png\n");
        return 2;
    }
    const QImage icon(QString::fromLocal8Bit(argv[1]), "XPM");
    if (icon.isNull()) {
        std::fprintf(stderr, "xpm-to-png: cannot read %s\n", argv[1]);
        return 1;
    }
    // The icon goes into the 48x48 folder of the icon theme.
    if (icon.size() != QSize(48, 48)) {
        std::fprintf(stderr, "xpm-to-png: %s is %dx%d, not 48x48\n", argv[1], icon.width(),
                     icon.height());
        return 1;
    }
    if (!icon.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "xpm-to-png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
