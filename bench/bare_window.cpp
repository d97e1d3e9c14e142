// The yardstick for start-up: a plain Qt Widgets main window of about the
// tool's size, with a menu bar holding one menu, and nothing else.

#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bench-bare-window"));
    auto *client = new QWidget(&window);
    client->setFixedSize(415, 334);
    window.setCentralWidget(client);
    QMenu *menu = window.menuBar()->addMenu(QStringLiteral("&File"));
    menu->addAction(QStringLiteral("E&xit"), &app, &QApplication::quit);
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);

    window.show();
    return QApplication::exec();
}
