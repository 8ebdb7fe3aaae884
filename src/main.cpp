#include "app/composition.h"
#include "platform/services.h"
#include "shell/application.h"
#include "shell/form1.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // The clipboard boards collect what other programs copy while this
    // window is in the background, which a Wayland desktop lets no native
    // client see. Where the session also offers X (XWayland, or plain X)
    // and nobody has chosen a platform, the editor runs as an X client.
    if (!qEnvironmentVariableIsEmpty("DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    if (!bilan::prepareApplication(app))
        return 1;
    // The install check asks where the program finds the files it ships
    // with, and nothing more: the folder is printed and the program ends.
    if (qEnvironmentVariableIsSet("BILAN_PRINT_APPLICATION_FOLDER")) {
        std::puts(bilan::qtServices().places->applicationFolder().toLocal8Bit().constData());
        return 0;
    }
    const std::unique_ptr<bilan::Form1> window = bilan::createMainWindow(bilan::qtServices());
    window->show();
    return app.exec();
}
