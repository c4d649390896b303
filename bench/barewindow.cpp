// The yardstick for the analyzer's start-up: a Qt Widgets program that shows one empty
// window with the main window's client area (698 x 522) and does nothing else. With
// --text the window also holds one line edit and one list with an entry each, the least
// that makes Qt load its fonts and start its accessibility bridge before the window maps.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include <cstring>

int main(int argc, char *argv[])
{
    const bool text = argc > 1 && std::strcmp(argv[1], "--text") == 0;
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QWidget window;
    window.resize(698, 522);
    if (text) {
        auto *box = new QLineEdit(QStringLiteral("0x378"), &window);
        box->setGeometry(8, 8, 64, 20);
        auto *list = new QComboBox(&window);
        list->addItem(QStringLiteral("001"));
        list->setGeometry(8, 36, 64, 20);
    }
    window.show();
    return QApplication::exec();
}
