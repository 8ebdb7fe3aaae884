// The yardstick for the editor's start-up: about the least a Qt editor
// window can be, a menu bar, a toolbar and a text area, at the editor's
// window size.

#include "startupprobe.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTextEdit>
#include <QToolBar>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("reference"));
    QMenu *file = window.menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("Open"));
    file->addAction(QStringLiteral("Save"));
    window.menuBar()->addMenu(QStringLiteral("Edit"))->addAction(QStringLiteral("Copy"));
    QToolBar *toolbar = window.addToolBar(QStringLiteral("Tools"));
    toolbar->addAction(QStringLiteral("Open"));
    toolbar->addAction(QStringLiteral("Save"));
    window.setCentralWidget(new QTextEdit);
    window.resize(781, 552);
    new StartupProbe(&window);
    window.show();
    return app.exec();
}
