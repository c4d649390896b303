// The yardstick for the analyzer's start-up: a Qt Widgets program that shows one empty
// window with the main window's client area (698 x 522) and does nothing else.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(698, 522);
    window.show();
    return QApplication::exec();
}
