#include "app/composition.h"
#include "platform/services.h"
#include "shell/application.h"
#include "shell/form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!bilan::prepareApplication(app))
        return 1;
    const std::unique_ptr<bilan::Form1> window = bilan::createMainWindow(bilan::qtServices());
    window->show();
    return app.exec();
}
