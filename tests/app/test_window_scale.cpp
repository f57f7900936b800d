// The window on a screen of device pixel ratio 2 (run with QT_SCALE_FACTOR=2): the banners and
// the ribbon's pictures are drawn at twice the pixel size, not drawn at 1x and scaled up.
#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/gui/forms/function_form.h"
#include "app/gui/pictures.h"
#include "app/gui/tavro_app.h"
#include "tests/app/window_test_support.h"

using namespace vanto;
using namespace vanto::gui;

class TestWindowScale : public QObject {
    Q_OBJECT
private slots:
    void PicturesAreDrawnAtTheScreensPixelRatio() {
        CTavroApp app;
        CTavroApp::Options options;
        options.singleInstance = false;
        QVERIFY(app.InitInstance(std::move(options)));
        CMainFrame& frame = *app.Frame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.devicePixelRatioF(), 2.0);

        for (int page = 0; page < FUNC_COUNT; ++page) {
            frame.OnFunctionCommand(page);
            auto* form = qobject_cast<FunctionForm*>(&app.PageView(page)->Widget());
            form->grab();  // paints the page
            const PageBanner& banner = form->Banner(0);
            const QPixmap& picture = banner.Picture();
            QCOMPARE(picture.devicePixelRatio(), 2.0);
            QCOMPARE(picture.size(), QSize(banner.width(), banner.width() / 8) * 2);
        }

        // The ribbon's pictures: drawn anew at 64 x 64 for a 32 x 32 button on this screen.
        for (int i = 0; i < FUNC_COUNT; ++i) {
            QToolButton& button = frame.Ribbon().FunctionButton(i);
            const QPixmap shown =
                button.icon().pixmap(button.iconSize(), frame.devicePixelRatioF());
            QCOMPARE(shown.devicePixelRatio(), 2.0);
            QCOMPARE(shown.size(), button.iconSize() * 2);
            QImage drawn = shown.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
            drawn.setDevicePixelRatio(1);
            QCOMPARE(drawn, DrawFunctionPicture(i, button.iconSize().width() * 2));
        }
        auto* icons = qobject_cast<FunctionForm*>(&app.PageView(FUNC_ICON_UPLOAD)->Widget());
        const QPixmap edit =
            icons->EditButton()->icon().pixmap(icons->EditButton()->iconSize(), 2.0);
        QCOMPARE(edit.devicePixelRatio(), 2.0);
        QCOMPARE(edit.size(), icons->EditButton()->iconSize() * 2);
    }
};

int main(int argc, char** argv) {
    const vanto::gui::window_test::PrivateSettings settings;
    QApplication app(argc, argv);
    TestWindowScale test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_window_scale.moc"
