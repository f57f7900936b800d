// Writes the application icon as DIR/SIZE/vanto-remote-manager.png for each size given.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "app/gui/pictures.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: vanto_draw_icon DIR SIZE...\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "vanto_draw_icon: bad size '%s'\n", argv[i]);
            return 2;
        }
        const QString folder = dir + QLatin1Char('/') + QString::number(size);
        QDir().mkpath(folder);
        if (!vanto::gui::DrawAppPicture(size).save(folder +
                                                   QStringLiteral("/vanto-remote-manager.png"))) {
            std::fprintf(stderr, "vanto_draw_icon: cannot write into %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
