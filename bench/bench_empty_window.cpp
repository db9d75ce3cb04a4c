// The floors for launch figures: the least a Qt Widgets program does to show a window of the
// main window's size and place, and with "--text" the least one does to show text in it (one
// label, so fonts are found and a font engine is made). bench_launch starts both beside Tilora
// and the reference puzzle.

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.setStyleSheet(QStringLiteral("background: #494949"));
    window.setGeometry(42, 142, 286, 286);
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        auto *label = new QLabel(QStringLiteral("00:00:00"), &window);
        label->move(120, 2);
    }
    window.show();
    return application.exec();
}
