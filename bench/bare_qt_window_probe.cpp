// The start-up floor: the least a Qt Widgets program does to show a window, an empty one.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    window.show();
    return application.exec();
}
