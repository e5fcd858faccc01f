// The start-up floor: the least Qt Widgets window that shows text, one label and one text box
// holding text. Any window with text must find, load and shape a font before its first paint,
// which an empty window never does.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    QLabel label(QStringLiteral("Callsign"), &window);
    label.setGeometry(8, 8, 120, 20);
    QLineEdit box(QStringLiteral("Avenger"), &window);
    box.setGeometry(8, 32, 120, 22);
    window.show();
    return application.exec();
}
